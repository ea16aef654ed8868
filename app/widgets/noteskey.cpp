#include "app/widgets/noteskey.h"

#include <QShortcut>
#include <QWidget>

#include "app/core/guidehooks.h"

namespace app {

QString NotesKeyHint() {
    return QStringLiteral("F1：編碼指引");
}

void InstallNotesKey(QWidget* window, AppContext& ctx, std::function<std::string()> current) {
    auto* key = new QShortcut(QKeySequence(NotesKey), window);
    key->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(key, &QShortcut::activated, window, [&ctx, current = std::move(current)] {
        ShowCodeNotes(ctx, current ? current() : std::string());
    });
}

} // namespace app
