#pragma once
// The application-wide values through which the main menu and the working
// windows coordinate, and the services every window uses. One instance lives for
// the whole run; windows receive it by reference. The message and desktop
// services are always there: a context made without them gets do-nothing ones.

#include <string>

#include "app/core/desktop.h"
#include "app/core/guidehooks.h"
#include "app/core/messages.h"
#include "db/connection.h"

namespace app {

// Window numbers kept in AppContext::activeWindowNo.
enum WindowNo : int {
    NoWindow = 0,
    OutlineWindowNo = 2,
    TreeWindowNo = 3,
    QuizWindowNo = 4,
    SearchWindowNo = 5,
    IndexWindowNo = 6
};

struct AppContext {
    // Messages go nowhere and no other program's window is ever found (tests
    // and benchmarks that do not look at either).
    AppContext();
    AppContext(Messages& messages, Desktop& desktop) : messages(messages), desktop(desktop) {}
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    int activeWindowNo = NoWindow; // the working window open and activated last
    std::string exeDir;            // folder of the executable, without a trailing separator
    std::string userDataDir;       // the per-user data folder ("" when there is none)
    std::string dbPath;            // the database file: in userDataDir or exeDir (app/core/startup.h)
    db::Connection connection;     // the one database connection
    Messages& messages;            // every message box goes through here
    Desktop& desktop;              // window manager and clipboard
    GuideHooks* guide = nullptr;   // the notes panel and the index window; none: calls do nothing
};

inline AppContext::AppContext() : AppContext(NullMessages::Instance(), NullDesktop::Instance()) {}

} // namespace app
