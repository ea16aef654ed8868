#include "app/widgets/workingwindow.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "app/core/handoff.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/pictures.h"

namespace app {

Qt::WindowFlags FixedWindowFlags() {
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}

void CentreOnScreen(QWidget* w) {
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect area = screen->availableGeometry();
    w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}

void LoadPicture(ImageButton* button, const QString& resource) {
    button->setPicture(RenderPicture(resource, button->size()));
}

WorkingWindow::WorkingWindow(AppContext& context, int windowNo, QWidget* parent)
    : QWidget(parent, FixedWindowFlags()), m_ctx(context), m_windowNo(windowNo) {}

void WorkingWindow::setFixedClientSize(int width, int height) {
    setFixedSize(width, height);
    CentreOnScreen(this);
}

void WorkingWindow::setEnlargeableClientSize(int width, int height) {
    setWindowFlags(Qt::Window);
    setMinimumSize(width, height);
    resize(width, height);
    CentreOnScreen(this);
}

void WorkingWindow::showWindow() {
    // A window the user minimised through the window manager comes back too.
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void WorkingWindow::onActivated() {
    m_ctx.activeWindowNo = m_windowNo;
}

void WorkingWindow::onClosed() {
    m_ctx.activeWindowNo = NoWindow;
}

void WorkingWindow::setHandOffWidgets(const QList<QWidget*>& widgets) {
    m_handOffWidgets.clear();
    for (QWidget* w : widgets) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        m_handOffWidgets.push_back(w);
    }
    checkHandOff();
}

void WorkingWindow::checkHandOff() {
    m_handOffOffered = ConsultationWindowExists(m_ctx.desktop);
    showHandOff(m_handOffOffered);
}

void WorkingWindow::showHandOff(bool offered) {
    for (const QPointer<QWidget>& w : m_handOffWidgets)
        if (w) w->setVisible(offered);
}

bool WorkingWindow::event(QEvent* event) {
    // Before the window is drawn or its activation handled: the pictures are
    // right from the first paint, and whatever the window does on activation
    // sees them as they are.
    if ((event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) &&
        !m_handOffWidgets.empty())
        checkHandOff();
    return QWidget::event(event);
}

void WorkingWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) onActivated();
    QWidget::changeEvent(event);
}

void WorkingWindow::keyPressEvent(QKeyEvent* event) {
    // Esc reaches the window when no control wants it: it closes the window,
    // which runs onClosed like the close picture and the title bar's box.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void WorkingWindow::closeEvent(QCloseEvent* event) {
    onClosed();
    event->accept(); // hidden, not destroyed
}

} // namespace app
