#include "app/widgets/qtmessages.h"

#include <algorithm>
#include <memory>

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>

namespace app {

namespace {
// Room in the title bar besides the caption: the window's icon and its close
// box, with the window manager's margins.
constexpr int TitleBarButtons = 120;
} // namespace

QMessageBox* NewMessageBox(QWidget* parent, const QString& caption, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    QFont titleFont = box->font();
    titleFont.setBold(true); // title bars draw the caption bold, or about as wide
    int wanted = QFontMetrics(titleFont).horizontalAdvance(caption) + TitleBarButtons;
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) wanted = std::min(wanted, screen->availableGeometry().width() - 80);
    // The box sizes itself to its contents when shown; a spacer across its
    // whole grid is the contents' least width.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                      0, 1, grid->columnCount());
    return box;
}

void QtMessages::show(const std::string& text) {
    std::unique_ptr<QMessageBox> box(
        NewMessageBox(QApplication::activeWindow(),
                      m_caption.isEmpty() ? QApplication::applicationDisplayName() : m_caption,
                      QString::fromStdString(text)));
    box->exec();
}

} // namespace app
