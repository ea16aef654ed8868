#pragma once
// F1 in the windows that show codes: the notes panel (編碼指引) with the code
// the window stands on at that moment.

#include <functional>
#include <string>

#include <QString>

#include "app/core/appcontext.h"

class QWidget;

namespace app {

inline constexpr int NotesKey = Qt::Key_F1;
// The hint that names the key: "F1：編碼指引".
QString NotesKeyHint();

// Gives the window F1 (while it or a child has the focus): ShowCodeNotes with
// what current returns then.
void InstallNotesKey(QWidget* window, AppContext& ctx, std::function<std::string()> current);

} // namespace app
