#include "app/widgets/codecopy.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <QToolTip>
#include <algorithm>

#include "codes/coderules.h"

namespace app {

CopiedCode CodeOfText(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    const char first = text[start];
    if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) return {};
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::size_t nameStart = text.find_first_not_of(' ', end);
    const std::string_view name =
        nameStart == std::string_view::npos ? std::string_view() : text.substr(nameStart);
    return {std::string(text.substr(start, end - start)),
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))};
}

QString CopyTextOfCode(const std::string& code) {
    return QString::fromStdString(codes::WrittenCode(code));
}

QString CopyTextOfCodeAndName(const CopiedCode& item) {
    const QString code = CopyTextOfCode(item.code);
    return item.name.isEmpty() ? code : code + QLatin1Char(' ') + item.name;
}

namespace {

void Copy(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
}

// Ctrl+C seen by the widget (itself or a child that leaves the key to it) runs
// the copy action; the key is claimed before any shortcut or the view's own
// copy of the cell text can take it.
class CopyKey : public QObject {
public:
    CopyKey(QAction* action, QObject* parent) : QObject(parent), m_action(action) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Copy)) {
                key->accept();
                if (event->type() == QEvent::KeyPress) m_action->trigger();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAction* m_action;
};

} // namespace

void InstallCodeCopy(QWidget* widget, std::function<CopiedCode()> current, bool contextMenu) {
    auto* copyCode = new QAction(QStringLiteral("複製代碼\tCtrl+C"), widget);
    auto* copyBoth = new QAction(QStringLiteral("複製代碼與名稱"), widget);
    QObject::connect(copyCode, &QAction::triggered, widget, [current] {
        const CopiedCode item = current();
        if (!item.code.empty()) Copy(CopyTextOfCode(item.code));
    });
    QObject::connect(copyBoth, &QAction::triggered, widget, [current] {
        const CopiedCode item = current();
        if (!item.code.empty()) Copy(CopyTextOfCodeAndName(item));
    });
    widget->addAction(copyCode);
    widget->addAction(copyBoth);
    widget->installEventFilter(new CopyKey(copyCode, widget));
    if (!contextMenu) return;
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(widget, &QWidget::customContextMenuRequested, widget,
                     [widget, copyCode, copyBoth, current](const QPoint& at) {
                         const bool any = !current().code.empty();
                         copyCode->setEnabled(any);
                         copyBoth->setEnabled(any);
                         QMenu menu(widget);
                         menu.addAction(copyCode);
                         menu.addAction(copyBoth);
                         // An item view reports the point in its viewport.
                         auto* view = qobject_cast<QAbstractItemView*>(widget);
                         const QPoint global =
                             view ? view->viewport()->mapToGlobal(at) : widget->mapToGlobal(at);
                         menu.exec(global);
                         copyCode->setEnabled(true);
                         copyBoth->setEnabled(true);
                     });
}

bool CutTextToolTipDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                       const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (!event || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    // The text's room: the cell less the margins the style draws it with.
    const int room = option.rect.width() - 8;
    if (text.isEmpty() || option.fontMetrics.horizontalAdvance(text) <= room) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
    return true;
}

} // namespace app
