#pragma once
// Drives a private X server the way a user would: finds top-level windows by
// their titles, moves the pointer and presses buttons and keys through the
// XTEST extension, and reads the screen back for screenshots and pixel checks.
// Every wait is for a condition with a time limit, never a fixed pause.

#include <QImage>
#include <QPoint>
#include <QRect>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <xcb/xcb.h>

struct _XCBKeySymbols;

namespace e2e {

// Polls a condition every 50 ms until it holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

// Pixels that differ between two images of the same size by more than 12 % of
// the colour range (the images' sizes differing counts every pixel).
int PixelsDiffer(const QImage& a, const QImage& b);

// The colour of one pixel by name: red, green, blue, orange, yellow, white,
// grey or other.
std::string ColourName(QRgb pixel);

class XDriver {
public:
    XDriver() = default;
    ~XDriver();
    XDriver(const XDriver&) = delete;
    XDriver& operator=(const XDriver&) = delete;

    // Connects to $DISPLAY (dropping an earlier connection); false (with
    // why()) when that fails or the server lacks the XTEST extension.
    bool open();
    void close();
    // True while a window manager's check window is named on the root.
    bool windowManagerNamed();
    // Waits until the window manager manages new windows: it names its check
    // window before it does, and a window mapped in between is never
    // managed, so a probe window must show up in its client list.
    bool waitWindowManagerManages();
    const std::string& why() const { return m_why; }

    // Viewable windows whose title is exactly this text (UTF-8).
    std::vector<xcb_window_t> windowsTitled(const std::string& title);
    int visibleCount(const std::string& title) { return static_cast<int>(windowsTitled(title).size()); }
    // The first viewable window with this title, waiting for it; 0 when none came.
    xcb_window_t waitWindow(const std::string& title,
                            std::chrono::milliseconds limit = std::chrono::seconds(10));
    // True once no viewable window has this title.
    bool waitGone(const std::string& title, std::chrono::milliseconds limit = std::chrono::seconds(5));

    // Screen position of a window's client area.
    QPoint origin(xcb_window_t window);
    int width(xcb_window_t window);
    // The window the window manager calls active (0 without one).
    xcb_window_t activeWindow();
    bool waitActive(xcb_window_t window, std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Asks the window manager to activate or minimise a window, or moves it.
    void activate(xcb_window_t window);
    void minimise(xcb_window_t window);
    void move(xcb_window_t window, int x, int y, int width = 0, int height = 0);
    // True when window a (or the frame holding it) is stacked above window b.
    bool stackedAbove(xcb_window_t a, xcb_window_t b);

    // Clicks button 1 at a point of a window's client area.
    void click(xcb_window_t window, QPoint at);
    // Moves the pointer to the screen's top left corner, clear of the
    // program's windows, so that no tooltip opens over what is looked at next.
    void parkPointer();
    // Presses and releases keys given by X key names ("Return", "Down"); a
    // name "alt+F4" holds Alt while F4 is pressed.
    void keys(const std::vector<std::string>& names);
    // Types plain ASCII text.
    void type(const std::string& text);
    // Types any text (UTF-8), one character at a time through the last key
    // code of the keyboard, given that character for the moment: Chinese text
    // without an input method.
    void typeText(const std::string& utf8);

    // The whole screen, and a rectangle of a window's client area cut from a
    // screen image.
    QImage grab();
    QImage crop(const QImage& screen, xcb_window_t window, QRect area);
    QRgb pixel(const QImage& screen, xcb_window_t window, QPoint at);

private:
    xcb_atom_t atom(const char* name);
    xcb_window_t topLevel(xcb_window_t window);
    std::string title(xcb_window_t window);
    void collect(xcb_window_t parent, const std::string& title, std::vector<xcb_window_t>& found);
    void sendKey(unsigned keysym, bool press);
    void sync();

    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = 0;
    _XCBKeySymbols* m_symbols = nullptr;
    std::string m_why;
    xcb_atom_t m_netName = 0;
    xcb_atom_t m_activeAtom = 0;
};

} // namespace e2e
