#pragma once
#include <QString>

#include "app/core/messages.h"

class QMessageBox;
class QWidget;

namespace app {

// Shows each message in a modal message box over the active window, captioned
// with the given caption (by default the application's display name).
class QtMessages : public Messages {
public:
    explicit QtMessages(QString caption = {}) : m_caption(std::move(caption)) {}
    void show(const std::string& text) override;

private:
    QString m_caption;
};

// The message box QtMessages shows (not yet shown): an information box with
// an OK button, wide enough for its caption to be read whole in the title bar
// (the text alone may make a narrower box than a long caption needs), never
// wider than the screen.
QMessageBox* NewMessageBox(QWidget* parent, const QString& caption, const QString& text);

} // namespace app
