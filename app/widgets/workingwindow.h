#pragma once
// Base of the four working windows. Activation sets the application's window
// number to the window's own number (FormActivate); closing sets it to 0 and only
// hides the window, which keeps its contents (FormClose). Esc closes the window
// as its close picture does, unless the focused control uses the key itself.

#include <QWidget>

#include "app/core/appcontext.h"

namespace app {

class WorkingWindow : public QWidget {
    Q_OBJECT
public:
    WorkingWindow(AppContext& context, int windowNo, QWidget* parent = nullptr);

    int windowNo() const { return m_windowNo; }
    AppContext& context() { return m_ctx; }

    // Makes the window visible (restoring it when minimised) and brings it to
    // the front.
    void showWindow();

    virtual void FormActivate();
    virtual void FormClose();

protected:
    // Fixed client size, title bar with only the system menu and close box,
    // placed at the centre of the screen.
    void setFixedClientSize(int width, int height);
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    AppContext& m_ctx;

private:
    int m_windowNo;
};

// Window flags of a fixed dialog-like window: system menu and close box only.
Qt::WindowFlags FixedWindowFlags();
// Moves a top-level widget to the centre of its screen.
void CentreOnScreen(QWidget* w);

} // namespace app
