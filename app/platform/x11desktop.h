#pragma once
// The X11 desktop: top-level windows are the window manager's client list
// (_NET_CLIENT_LIST) and their titles _NET_WM_NAME, or WM_NAME where a window
// has no _NET_WM_NAME. Raising and restoring are requests to the window manager
// (_NET_ACTIVE_WINDOW, _NET_WM_STATE), as the EWMH lays them down. The clipboard
// is the toolkit's.
//
// Without an X display every lookup finds nothing, so the hand-off does nothing.

#include <memory>

#include "app/core/desktop.h"

namespace app {

class X11Desktop : public Desktop {
public:
    // Connects to the display named (empty: $DISPLAY).
    explicit X11Desktop(const std::string& display = {});
    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    bool isConnected() const;

    std::optional<WindowId> findTopLevelWindow(const std::string& title) override;
    void setClipboardText(const std::string& text) override;
    void bringToFront(WindowId window) override;
    void restore(WindowId window) override;

    // The window's title as the lookup sees it (empty when it has none).
    std::string windowTitle(WindowId window);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace app
