#pragma once
// The window manager and the clipboard, as the hand-off uses them: find a
// top-level window by its exact title, bring it to the front, restore it from
// minimised or maximised, and replace the clipboard's text. One implementation
// per platform (X11, Win32); tests use the one in testsupport/fakes.h.

#include <cstdint>
#include <optional>
#include <string>

namespace app {

// Title of the clinic's consultation program's window.
inline constexpr const char* ConsultationWindowTitle = "醫師問診作業";

class Desktop {
public:
    using WindowId = std::uint64_t;
    virtual ~Desktop() = default;
    virtual std::optional<WindowId> findTopLevelWindow(const std::string& title) = 0;
    virtual void setClipboardText(const std::string& text) = 0;
    virtual void bringToFront(WindowId window) = 0;
    virtual void restore(WindowId window) = 0;
};

// A desktop on which no other program's window is ever found, so the hand-off
// does nothing: where the platform has no window manager this program can talk
// to, and for a context whose hand-off nobody looks at.
class NullDesktop : public Desktop {
public:
    std::optional<WindowId> findTopLevelWindow(const std::string&) override { return std::nullopt; }
    void setClipboardText(const std::string&) override {}
    void bringToFront(WindowId) override {}
    void restore(WindowId) override {}
    static NullDesktop& Instance() {
        static NullDesktop instance;
        return instance;
    }
};

} // namespace app
