#pragma once
// Base of the four working windows. Activation sets the application's window
// number to the window's own number (onActivated); closing sets it to 0 and only
// hides the window, which keeps its contents (onClosed). Esc closes the window
// as its close picture does, unless the focused control uses the key itself. It
// also holds the habits every window shares: showing a message, running a
// handler so that an error it throws is shown and the window stays as it was,
// loading pictures, and showing the hand-off pictures only while the
// consultation program's window is there (looked for at each showing and
// each activation, so a program started or closed later is noticed).

#include <exception>
#include <string>
#include <utility>

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/core/appcontext.h"

namespace app {

class ImageButton;

class WorkingWindow : public QWidget {
    Q_OBJECT
public:
    WorkingWindow(AppContext& context, int windowNo, QWidget* parent = nullptr);

    int windowNo() const { return m_windowNo; }
    AppContext& context() { return m_ctx; }

    // Makes the window visible (restoring it when minimised) and brings it to
    // the front.
    void showWindow();

    virtual void onActivated();
    virtual void onClosed();

    // Whether the hand-off pictures are offered: the consultation window was
    // there at the last look.
    bool handOffOffered() const { return m_handOffOffered; }
    // Looks for the consultation window now and shows or hides the hand-off
    // pictures to match; runs at each showing and activation of the window.
    void checkHandOff();

protected:
    // The widgets that hand a code to the consultation program. They keep
    // their place in a layout while hidden. Looks for the window at once.
    void setHandOffWidgets(const QList<QWidget*>& widgets);
    // Called by checkHandOff with what it found; shows or hides the hand-off
    // widgets. A window with more to change (a caption) adds it here.
    virtual void showHandOff(bool offered);

    // A modal message box with this text.
    void showMessage(const std::string& text) { m_ctx.messages.show(text); }

    // Runs a handler's work. An error it throws (the engine's, a question
    // file's) ends the work: undo runs first, to put the window back as it was,
    // then the error's message is shown. False when the work failed.
    //     guarded([&] { model.fill(...); });
    //     guarded([&] { query.open(); }, [&] { query.close(); });
    template <typename Work> bool guarded(Work&& work) {
        return guarded(std::forward<Work>(work), [] {});
    }
    template <typename Work, typename Undo> bool guarded(Work&& work, Undo&& undo) {
        try {
            work();
            return true;
        } catch (const std::exception& e) {
            undo();
            showMessage(e.what());
            return false;
        }
    }

    // Fixed client size, title bar with only the system menu and close box,
    // placed at the centre of the screen.
    void setFixedClientSize(int width, int height);
    // A normal window that opens at this client size, centred, and can be
    // enlarged and maximised, never made smaller than that.
    void setEnlargeableClientSize(int width, int height);
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    AppContext& m_ctx;

private:
    int m_windowNo;
    bool m_handOffOffered = false;
    QList<QPointer<QWidget>> m_handOffWidgets;
};

// Window flags of a fixed dialog-like window: system menu and close box only.
Qt::WindowFlags FixedWindowFlags();
// Moves a top-level widget to the centre of its screen.
void CentreOnScreen(QWidget* w);
// Gives an image button its picture: an SVG resource (":/assets/...svg")
// rendered at the button's size.
void LoadPicture(ImageButton* button, const QString& resource);

} // namespace app
