#include "app/platform/x11desktop.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <QClipboard>
#include <QGuiApplication>
#include <QString>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include "app/platform/platformdesktop.h"

namespace app {

struct X11Desktop::Impl {
    xcb_connection_t* conn = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool ewmhReady = false;
    int screen = 0;
    xcb_window_t root = XCB_NONE;

    explicit Impl(const std::string& display) {
        conn = xcb_connect(display.empty() ? nullptr : display.c_str(), &screen);
        if (!conn || xcb_connection_has_error(conn)) {
            if (conn) xcb_disconnect(conn);
            conn = nullptr;
            return;
        }
        xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(conn, &ewmh);
        ewmhReady = xcb_ewmh_init_atoms_replies(&ewmh, cookies, nullptr) != 0;
        if (ewmhReady && screen < ewmh.nb_screens) {
            root = ewmh.screens[screen]->root;
        } else {
            const xcb_setup_t* setup = xcb_get_setup(conn);
            xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
            for (int i = 0; i < screen && it.rem; ++i)
                xcb_screen_next(&it);
            root = it.rem ? it.data->root : XCB_NONE;
        }
    }

    ~Impl() {
        if (ewmhReady) xcb_ewmh_connection_wipe(&ewmh);
        if (conn) xcb_disconnect(conn);
    }

    // True while an EWMH window manager runs: the root names a check window
    // that names itself. A window manager that has ended leaves its client
    // list behind (empty or stale), and its check window is gone.
    bool windowManagerRunning() {
        xcb_window_t check = XCB_NONE;
        if (!xcb_ewmh_get_supporting_wm_check_reply(&ewmh, xcb_ewmh_get_supporting_wm_check(&ewmh, root),
                                                    &check, nullptr) ||
            check == XCB_NONE)
            return false;
        xcb_window_t self = XCB_NONE;
        return xcb_ewmh_get_supporting_wm_check_reply(&ewmh, xcb_ewmh_get_supporting_wm_check(&ewmh, check),
                                                      &self, nullptr) &&
               self == check;
    }

    // The windows the window manager manages; without one, the mapped children
    // of the root window.
    std::vector<xcb_window_t> topLevelWindows() {
        std::vector<xcb_window_t> out;
        if (ewmhReady && windowManagerRunning()) {
            xcb_ewmh_get_windows_reply_t list;
            if (xcb_ewmh_get_client_list_reply(&ewmh, xcb_ewmh_get_client_list(&ewmh, screen), &list,
                                               nullptr)) {
                out.assign(list.windows, list.windows + list.windows_len);
                xcb_ewmh_get_windows_reply_wipe(&list);
                return out;
            }
        }
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(conn, xcb_query_tree(conn, root), nullptr);
        if (!tree) return out;
        xcb_window_t* children = xcb_query_tree_children(tree);
        int n = xcb_query_tree_children_length(tree);
        for (int i = 0; i < n; ++i) {
            xcb_get_window_attributes_reply_t* a =
                xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, children[i]), nullptr);
            if (a && a->map_state == XCB_MAP_STATE_VIEWABLE && !a->override_redirect)
                out.push_back(children[i]);
            std::free(a);
        }
        std::free(tree);
        return out;
    }

    std::string title(xcb_window_t w) {
        if (ewmhReady) {
            xcb_ewmh_get_utf8_strings_reply_t name;
            if (xcb_ewmh_get_wm_name_reply(&ewmh, xcb_ewmh_get_wm_name(&ewmh, w), &name, nullptr)) {
                std::string s(name.strings, name.strings_len);
                xcb_ewmh_get_utf8_strings_reply_wipe(&name);
                return Stripped(std::move(s));
            }
        }
        // WM_NAME: Latin-1 when its type is STRING, taken as UTF-8 otherwise.
        xcb_get_property_reply_t* r = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
            nullptr);
        std::string s;
        if (r && r->format == 8) {
            const char* v = static_cast<const char*>(xcb_get_property_value(r));
            std::string raw(v, static_cast<std::size_t>(xcb_get_property_value_length(r)));
            s = r->type == XCB_ATOM_STRING
                    ? QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size())).toStdString()
                    : raw;
        }
        std::free(r);
        return Stripped(std::move(s));
    }

    static std::string Stripped(std::string s) {
        while (!s.empty() && s.back() == '\0')
            s.pop_back();
        return s;
    }

    void activate(xcb_window_t w) {
        if (ewmhReady) {
            // Sent as a pager or task bar would: the user asked for it.
            xcb_ewmh_request_change_active_window(&ewmh, screen, w, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                                  XCB_CURRENT_TIME, XCB_NONE);
        }
        // Without a window manager (and harmless with one): raise and focus.
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(conn, w, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(conn);
    }
};

X11Desktop::X11Desktop(const std::string& display) : m_impl(std::make_unique<Impl>(display)) {}
X11Desktop::~X11Desktop() = default;

bool X11Desktop::isConnected() const {
    return m_impl->conn != nullptr;
}

std::optional<Desktop::WindowId> X11Desktop::findTopLevelWindow(const std::string& title) {
    if (!m_impl->conn) return std::nullopt;
    for (xcb_window_t w : m_impl->topLevelWindows())
        if (m_impl->title(w) == title) return w;
    return std::nullopt;
}

std::string X11Desktop::windowTitle(WindowId window) {
    return m_impl->conn ? m_impl->title(static_cast<xcb_window_t>(window)) : std::string();
}

void X11Desktop::setClipboardText(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void X11Desktop::bringToFront(WindowId window) {
    if (!m_impl->conn) return;
    m_impl->activate(static_cast<xcb_window_t>(window));
}

void X11Desktop::restore(WindowId window) {
    if (!m_impl->conn) return;
    auto w = static_cast<xcb_window_t>(window);
    if (m_impl->ewmhReady) {
        auto& e = m_impl->ewmh;
        xcb_ewmh_request_change_wm_state(&e, m_impl->screen, w, XCB_EWMH_WM_STATE_REMOVE,
                                         e._NET_WM_STATE_MAXIMIZED_VERT, e._NET_WM_STATE_MAXIMIZED_HORZ,
                                         XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        xcb_ewmh_request_change_wm_state(&e, m_impl->screen, w, XCB_EWMH_WM_STATE_REMOVE,
                                         e._NET_WM_STATE_HIDDEN, XCB_NONE, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    }
    // Mapping an iconic window asks the window manager to bring it back.
    xcb_map_window(m_impl->conn, w);
    // Restoring also activates the window, as the restore command does.
    m_impl->activate(w);
}

std::unique_ptr<Desktop> CreatePlatformDesktop() {
    return std::make_unique<X11Desktop>();
}

} // namespace app
