#include "app/widgets/filterkeys.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace app {

namespace {
void SendCopy(QWidget* to, const QKeyEvent& key) {
    QKeyEvent copy(key.type(), key.key(), key.modifiers(), key.text(), key.isAutoRepeat());
    QApplication::sendEvent(to, &copy);
}
} // namespace

bool RouteFilterKey(QObject* watched, const QKeyEvent& key, QLineEdit* box, QAbstractItemView* list,
                    const std::function<void()>& act) {
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        act();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The list moves while the focus stays in the box.
        if (watched != box) return false;
        SendCopy(list, key);
        return true;
    default:
        // Typing in the list goes on in the box.
        if (watched != list || key.text().isEmpty() || !key.text().at(0).isPrint() ||
            (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        box->setFocus();
        SendCopy(box, key);
        return true;
    }
}

} // namespace app
