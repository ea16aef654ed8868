// A desktop without a window manager this program can talk to: no other
// program's window is ever found, so the hand-off does nothing.
#include "app/platform/platformdesktop.h"

namespace app {

namespace {
class NullDesktop : public Desktop {
public:
    std::optional<WindowId> findTopLevelWindow(const std::string&) override { return std::nullopt; }
    void setClipboardText(const std::string&) override {}
    void bringToFront(WindowId) override {}
    void restore(WindowId) override {}
};
} // namespace

std::unique_ptr<Desktop> CreatePlatformDesktop() { return std::make_unique<NullDesktop>(); }

} // namespace app
