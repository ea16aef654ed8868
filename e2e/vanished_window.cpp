// The X11 desktop against windows that go away in the middle of a hand-off: a
// window is found by its title and then destroyed before it is raised and
// restored, over and over, and at random moments while the requests are on
// their way. Nothing may crash, the program's own connection must stay usable,
// and a window that comes back later must be found and raised as usual.
//
// Runs on the display in $DISPLAY (the end-to-end script starts one with a
// window manager, one that never had one, and one whose window manager has
// ended and left its client list behind). Exit status 0 when every check holds,
// 1 otherwise; each failed check is printed.
//
//   e2e_vanished_window
#include <QGuiApplication>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include "app/core/desktop.h"
#include "app/core/handoff.h"
#include "app/platform/x11desktop.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    if (ok) return;
    ++g_failures;
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        if (condition()) return true;
        QThread::msleep(10);
    }
    return condition();
}

// Another program's windows, made and destroyed on a connection of their own.
class OtherProgram {
public:
    OtherProgram() {
        m_conn = xcb_connect(nullptr, &m_screen);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
        for (int i = 0; i < m_screen && it.rem; ++i)
            xcb_screen_next(&it);
        m_root = it.data->root;
        m_ewmhReady =
            xcb_ewmh_init_atoms_replies(&m_ewmh, xcb_ewmh_init_atoms(m_conn, &m_ewmh), nullptr) != 0;
    }
    ~OtherProgram() {
        if (m_ewmhReady) xcb_ewmh_connection_wipe(&m_ewmh);
        xcb_disconnect(m_conn);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    bool ok() const { return m_conn && !xcb_connection_has_error(m_conn) && m_ewmhReady; }

    xcb_window_t open(const std::string& title) {
        xcb_window_t w = xcb_generate_id(m_conn);
        xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, w, m_root, 40, 40, 320, 200, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_ewmh_set_wm_name(&m_ewmh, w, static_cast<uint32_t>(title.size()), title.data());
        xcb_map_window(m_conn, w);
        xcb_flush(m_conn);
        return w;
    }
    void destroy(xcb_window_t w) {
        xcb_destroy_window(m_conn, w);
        xcb_flush(m_conn);
    }
    // True once the server no longer knows the window.
    bool gone(xcb_window_t w) {
        xcb_generic_error_t* error = nullptr;
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(m_conn, xcb_get_window_attributes(m_conn, w), &error);
        const bool missing = a == nullptr;
        std::free(a);
        std::free(error);
        return missing;
    }
    xcb_window_t activeWindow() {
        xcb_window_t w = XCB_NONE;
        xcb_ewmh_get_active_window_reply(&m_ewmh, xcb_ewmh_get_active_window(&m_ewmh, m_screen), &w, nullptr);
        return w;
    }
    // The root names a check window that names itself (a window manager that
    // has ended leaves the root's property behind).
    bool windowManagerRunning() {
        xcb_window_t w = XCB_NONE;
        xcb_window_t self = XCB_NONE;
        return xcb_ewmh_get_supporting_wm_check_reply(
                   &m_ewmh, xcb_ewmh_get_supporting_wm_check(&m_ewmh, m_root), &w, nullptr) != 0 &&
               w != XCB_NONE &&
               xcb_ewmh_get_supporting_wm_check_reply(&m_ewmh, xcb_ewmh_get_supporting_wm_check(&m_ewmh, w),
                                                      &self, nullptr) != 0 &&
               self == w;
    }

private:
    xcb_connection_t* m_conn = nullptr;
    xcb_ewmh_connection_t m_ewmh{};
    bool m_ewmhReady = false;
    int m_screen = 0;
    xcb_window_t m_root = XCB_NONE;
};

const std::string kTitle(app::ConsultationWindowTitle);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    app::X11Desktop desktop;
    OtherProgram other;
    if (!desktop.isConnected() || !other.ok()) {
        std::fprintf(stderr, "FAILED: no X display to run on\n");
        return 1;
    }
    const bool withManager = other.windowManagerRunning();
    std::printf("window manager: %s\n", withManager ? "yes" : "no");

    // 1. Found, then destroyed, then raised and restored.
    {
        const xcb_window_t w = other.open(kTitle);
        Check(WaitFor([&] { return desktop.findTopLevelWindow(kTitle) == app::Desktop::WindowId(w); }, 5000),
              "a new consultation window is found");
        other.destroy(w);
        Check(WaitFor([&] { return other.gone(w); }, 5000), "the window is destroyed");
        desktop.bringToFront(w);
        desktop.restore(w);
        Check(desktop.windowTitle(w).empty(), "a vanished window has no title");
        Check(WaitFor([&] { return !desktop.findTopLevelWindow(kTitle).has_value(); }, 5000),
              "a vanished window is no longer found");
    }

    // 2. Destroyed at every moment of the hand-off: before the clipboard is
    // set, between the raise and the restore, and while the requests are still
    // on their way to the server.
    for (int round = 0; round < 30; ++round) {
        const xcb_window_t w = other.open(kTitle);
        if (!WaitFor([&] { return desktop.findTopLevelWindow(kTitle).has_value(); }, 5000)) {
            Check(false, "round " + std::to_string(round) + ": the window is found");
            other.destroy(w);
            continue;
        }
        switch (round % 3) {
        case 0:
            other.destroy(w);
            app::HandOffCode(desktop, "A000");
            break;
        case 1:
            desktop.setClipboardText("|ICD10|A000");
            desktop.bringToFront(w);
            other.destroy(w);
            desktop.restore(w);
            break;
        default:
            app::HandOffCode(desktop, "A000");
            other.destroy(w);
            break;
        }
        QCoreApplication::processEvents();
        Check(WaitFor([&] { return other.gone(w); }, 5000), "round " + std::to_string(round) + ": destroyed");
    }
    Check(WaitFor([&] { return !desktop.findTopLevelWindow(kTitle).has_value(); }, 5000),
          "no consultation window is left");

    // 3. The desktop still works: a window that appears now is found and raised.
    {
        const xcb_window_t w = other.open(kTitle);
        std::optional<app::Desktop::WindowId> found;
        Check(WaitFor([&] { return (found = desktop.findTopLevelWindow(kTitle)).has_value(); }, 5000),
              "a window opened afterwards is found");
        Check(found == app::Desktop::WindowId(w), "it is the new window");
        Check(desktop.windowTitle(w) == kTitle, "its title is read");
        app::HandOffCode(desktop, "S93401A");
        if (withManager)
            Check(WaitFor([&] { return other.activeWindow() == w; }, 5000), "it is raised and active");
        other.destroy(w);
    }
    Check(desktop.isConnected(), "the desktop is still connected");

    std::printf("%s\n", g_failures == 0 ? "vanished-window checks passed" : "vanished-window checks FAILED");
    return g_failures == 0 ? 0 : 1;
}
