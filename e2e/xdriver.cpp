#include "xdriver.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include <QString>
#include <thread>

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

namespace e2e {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

int PixelsDiffer(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return a.width() * a.height() + b.width() * b.height();
    // The same measure as a colour distance with a 12 % fuzz: the root mean
    // square of the three channel differences against 12 % of 255.
    constexpr double limit = 0.12 * 255.0;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const double dr = qRed(pa[x]) - qRed(pb[x]);
            const double dg = qGreen(pa[x]) - qGreen(pb[x]);
            const double db = qBlue(pa[x]) - qBlue(pb[x]);
            if (std::sqrt((dr * dr + dg * dg + db * db) / 3.0) > limit) ++count;
        }
    }
    return count;
}

std::string ColourName(QRgb pixel) {
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (r > 225 && g > 225 && b > 225) return "white";
    if (r > 200 && g > 200 && b < 170) return "yellow";
    if (r > 180 && g >= 90 && g <= 200 && b < 80) return "orange";
    if (r > g + 70 && r > b + 70) return "red";
    if (g > r + 25 && g > b + 25) return "green";
    if (b > r + 40 && b > g + 15) return "blue";
    if (std::abs(r - g) < 20 && std::abs(r - b) < 20) return "grey";
    return "other";
}

XDriver::~XDriver() {
    close();
}

void XDriver::close() {
    if (m_symbols) xcb_key_symbols_free(m_symbols);
    if (m_c) xcb_disconnect(m_c);
    m_symbols = nullptr;
    m_c = nullptr;
}

bool XDriver::windowManagerNamed() {
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        m_c, xcb_get_property(m_c, 0, m_root, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1),
        nullptr);
    const bool named = r && xcb_get_property_value_length(r) == 4;
    std::free(r);
    return named;
}

bool XDriver::waitWindowManagerManages() {
    const xcb_atom_t clientList = atom("_NET_CLIENT_LIST");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const xcb_window_t probe = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, probe, m_root, 0, 0, 50, 50, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(m_c, probe);
        sync();
        const bool managed = WaitFor(
            [&] {
                xcb_get_property_reply_t* r = xcb_get_property_reply(
                    m_c, xcb_get_property(m_c, 0, m_root, clientList, XCB_ATOM_WINDOW, 0, 1024), nullptr);
                bool found = false;
                if (r) {
                    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
                    for (int i = 0; i < xcb_get_property_value_length(r) / 4; ++i)
                        found = found || ids[i] == probe;
                }
                std::free(r);
                return found;
            },
            std::chrono::milliseconds(1000));
        xcb_destroy_window(m_c, probe);
        sync();
        if (managed) return true;
    }
    return false;
}

xcb_window_t XDriver::topLevel(xcb_window_t window) {
    for (;;) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, window), nullptr);
        if (!tree) return 0;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == m_root || parent == XCB_NONE) return window;
        window = parent;
    }
}

bool XDriver::stackedAbove(xcb_window_t a, xcb_window_t b) {
    const xcb_window_t ta = topLevel(a), tb = topLevel(b);
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, m_root), nullptr);
    if (!tree) return false;
    // The root's children come bottom-most first.
    const xcb_window_t* children = xcb_query_tree_children(tree);
    int ia = -1, ib = -1;
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        if (children[i] == ta) ia = i;
        if (children[i] == tb) ib = i;
    }
    std::free(tree);
    return ia >= 0 && ib >= 0 && ia > ib;
}

bool XDriver::open() {
    close();
    m_c = xcb_connect(nullptr, nullptr);
    if (!m_c || xcb_connection_has_error(m_c)) {
        m_why = "cannot connect to the X server on DISPLAY";
        return false;
    }
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    xcb_test_get_version_reply_t* version =
        xcb_test_get_version_reply(m_c, xcb_test_get_version(m_c, 2, 1), nullptr);
    if (!version) {
        m_why = "the X server has no XTEST extension";
        return false;
    }
    std::free(version);
    m_symbols = xcb_key_symbols_alloc(m_c);
    // Atoms belong to one server: a later server numbers them afresh.
    m_netName = atom("_NET_WM_NAME");
    m_activeAtom = atom("_NET_ACTIVE_WINDOW");
    return m_symbols != nullptr;
}

xcb_atom_t XDriver::atom(const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

std::string XDriver::title(xcb_window_t window) {
    for (xcb_atom_t property : {m_netName, static_cast<xcb_atom_t>(XCB_ATOM_WM_NAME)}) {
        xcb_get_property_reply_t* r = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
        std::string text;
        if (r && xcb_get_property_value_length(r) > 0)
            text.assign(static_cast<const char*>(xcb_get_property_value(r)),
                        static_cast<std::size_t>(xcb_get_property_value_length(r)));
        std::free(r);
        if (!text.empty()) return text;
    }
    return {};
}

void XDriver::collect(xcb_window_t parent, const std::string& wanted, std::vector<xcb_window_t>& found) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, parent), nullptr);
    if (!tree) return; // the window went away while we looked
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int n = xcb_query_tree_children_length(tree);
    for (int i = 0; i < n; ++i) {
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, children[i]), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!viewable) continue;
        if (title(children[i]) == wanted) found.push_back(children[i]);
        collect(children[i], wanted, found);
    }
    std::free(tree);
}

std::vector<xcb_window_t> XDriver::windowsTitled(const std::string& wanted) {
    std::vector<xcb_window_t> found;
    collect(m_root, wanted, found);
    return found;
}

xcb_window_t XDriver::waitWindow(const std::string& wanted, std::chrono::milliseconds limit) {
    xcb_window_t window = 0;
    WaitFor(
        [&] {
            auto all = windowsTitled(wanted);
            if (!all.empty()) window = all.front();
            return window != 0;
        },
        limit);
    return window;
}

bool XDriver::waitGone(const std::string& wanted, std::chrono::milliseconds limit) {
    return WaitFor([&] { return windowsTitled(wanted).empty(); }, limit);
}

QPoint XDriver::origin(xcb_window_t window) {
    xcb_translate_coordinates_reply_t* r =
        xcb_translate_coordinates_reply(m_c, xcb_translate_coordinates(m_c, window, m_root, 0, 0), nullptr);
    QPoint p = r ? QPoint(r->dst_x, r->dst_y) : QPoint();
    std::free(r);
    return p;
}

int XDriver::width(xcb_window_t window) {
    xcb_get_geometry_reply_t* r = xcb_get_geometry_reply(m_c, xcb_get_geometry(m_c, window), nullptr);
    const int w = r ? r->width : 0;
    std::free(r);
    return w;
}

xcb_window_t XDriver::activeWindow() {
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        m_c, xcb_get_property(m_c, 0, m_root, m_activeAtom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t window = 0;
    if (r && xcb_get_property_value_length(r) == 4)
        window = *static_cast<const xcb_window_t*>(xcb_get_property_value(r));
    std::free(r);
    return window;
}

bool XDriver::waitActive(xcb_window_t window, std::chrono::milliseconds limit) {
    return WaitFor([&] { return activeWindow() == window; }, limit);
}

void XDriver::activate(xcb_window_t window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2; // a request from a pager or a user's tool
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_c, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    sync();
}

void XDriver::minimise(xcb_window_t window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_CHANGE_STATE");
    event.data.data32[0] = 3; // IconicState
    xcb_send_event(m_c, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    sync();
}

void XDriver::move(xcb_window_t window, int x, int y, int width, int height) {
    const uint32_t values[] = {static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                               static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
    uint16_t mask = XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
    if (width > 0 && height > 0) mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
    xcb_configure_window(m_c, window, mask, values);
    sync();
}

void XDriver::sync() {
    // A round trip: the server has handled every request sent before it.
    std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
}

void XDriver::click(xcb_window_t window, QPoint at) {
    // Paced like a hand on a mouse: a toolkit that sees the pointer leave
    // before it has taken the release would treat the move as a drag (a grid
    // scrolls and selects along), so the press is held a moment and the next
    // move comes a little after the release.
    const QPoint p = origin(window) + at;
    xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, static_cast<int16_t>(p.x()),
                        static_cast<int16_t>(p.y()), 0);
    sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    xcb_test_fake_input(m_c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    xcb_test_fake_input(m_c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

void XDriver::parkPointer() {
    xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, 1, 1, 0);
    sync();
}

void XDriver::sendKey(unsigned keysym, bool press) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym);
    if (!codes) return;
    const xcb_keycode_t code = codes[0];
    std::free(codes);
    xcb_test_fake_input(m_c, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        0);
}

void XDriver::keys(const std::vector<std::string>& names) {
    static const std::map<std::string, unsigned> symbols = {
        {"Return", 0xff0d}, {"Escape", 0xff1b}, {"Tab", 0xff09}, {"Down", 0xff54},  {"Up", 0xff52},
        {"F1", 0xffbe},     {"F4", 0xffc1},     {"alt", 0xffe9}, {"shift", 0xffe1}, {"ctrl", 0xffe3}};
    for (const auto& name : names) {
        std::vector<unsigned> held;
        std::size_t start = 0;
        for (;;) {
            const std::size_t plus = name.find('+', start);
            const std::string part =
                name.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
            auto it = symbols.find(part);
            held.push_back(it != symbols.end() ? it->second
                                               : static_cast<unsigned>(part.empty() ? 0 : part[0]));
            if (plus == std::string::npos) break;
            start = plus + 1;
        }
        for (unsigned k : held)
            sendKey(k, true);
        for (auto it = held.rbegin(); it != held.rend(); ++it)
            sendKey(*it, false);
        sync();
    }
}

void XDriver::type(const std::string& text) {
    for (char ch : text) {
        const auto keysym = static_cast<unsigned char>(ch);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym);
        if (!codes) continue;
        // A character on the key's second level (capitals) needs Shift.
        const bool shifted = xcb_key_symbols_get_keysym(m_symbols, codes[0], 0) != keysym;
        std::free(codes);
        if (shifted) sendKey(0xffe1, true);
        sendKey(keysym, true);
        sendKey(keysym, false);
        if (shifted) sendKey(0xffe1, false);
    }
    sync();
}

void XDriver::typeText(const std::string& utf8) {
    const xcb_setup_t* setup = xcb_get_setup(m_c);
    const xcb_keycode_t spare = setup->max_keycode;
    xcb_get_keyboard_mapping_reply_t* mapping =
        xcb_get_keyboard_mapping_reply(m_c, xcb_get_keyboard_mapping(m_c, spare, 1), nullptr);
    if (!mapping) return;
    const std::uint8_t perCode = mapping->keysyms_per_keycode;
    const xcb_keysym_t* before = xcb_get_keyboard_mapping_keysyms(mapping);
    const std::vector<xcb_keysym_t> original(before, before + perCode);
    std::free(mapping);
    const QString text = QString::fromStdString(utf8);
    for (const uint codepoint : text.toUcs4()) {
        // Latin-1 characters are their own keysyms; the rest are 0x1000000 + code point.
        const xcb_keysym_t keysym = codepoint < 0x100 ? codepoint : 0x1000000 + codepoint;
        const std::vector<xcb_keysym_t> symbols(perCode, keysym);
        xcb_change_keyboard_mapping(m_c, 1, spare, perCode, symbols.data());
        sync();
        // The program takes the new mapping before the key arrives.
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        xcb_test_fake_input(m_c, XCB_KEY_PRESS, spare, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(m_c, XCB_KEY_RELEASE, spare, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    xcb_change_keyboard_mapping(m_c, 1, spare, perCode, original.data());
    sync();
    xcb_key_symbols_free(m_symbols);
    m_symbols = xcb_key_symbols_alloc(m_c);
}

QImage XDriver::grab() {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
    xcb_get_image_reply_t* r =
        xcb_get_image_reply(m_c,
                            xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, 0, 0,
                                          screen->width_in_pixels, screen->height_in_pixels, ~0u),
                            nullptr);
    if (!r) return {};
    QImage image(xcb_get_image_data(r), screen->width_in_pixels, screen->height_in_pixels,
                 QImage::Format_RGB32);
    QImage copy = image.copy();
    std::free(r);
    return copy;
}

QImage XDriver::crop(const QImage& screen, xcb_window_t window, QRect area) {
    return screen.copy(area.translated(origin(window)));
}

QRgb XDriver::pixel(const QImage& screen, xcb_window_t window, QPoint at) {
    const QPoint p = origin(window) + at;
    return screen.valid(p) ? screen.pixel(p) : qRgb(0, 0, 0);
}

} // namespace e2e
