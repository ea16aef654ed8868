// A desktop without a window manager this program can talk to: no other
// program's window is ever found, so the hand-off does nothing.
#include "app/platform/platformdesktop.h"

namespace app {

std::unique_ptr<Desktop> CreatePlatformDesktop() {
    return std::make_unique<NullDesktop>();
}

} // namespace app
