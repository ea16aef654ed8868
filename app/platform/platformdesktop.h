#pragma once
// The desktop of the platform the program runs on: X11 (through the window
// manager's EWMH messages), Win32, or, where neither is available, a desktop on
// which no other program's window is ever found (the hand-off then does nothing).
// The build picks one implementation file.

#include <memory>

#include "app/core/desktop.h"

namespace app {

std::unique_ptr<Desktop> CreatePlatformDesktop();

} // namespace app
