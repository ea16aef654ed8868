#pragma once
// Stand-ins for the services an application context holds, for tests and
// benchmarks: a desktop held in memory and a message sink that keeps what it
// is shown.

#include <optional>
#include <string>
#include <vector>

#include "app/core/desktop.h"
#include "app/core/guidehooks.h"
#include "app/core/messages.h"

namespace testsupport {

// A desktop held in memory: tests open and close "windows" and read what the
// hand-off did.
class FakeDesktop : public app::Desktop {
public:
    std::optional<WindowId> findTopLevelWindow(const std::string& title) override {
        ++lookups;
        for (const auto& w : windows)
            if (w.title == title && w.open) return w.id;
        return std::nullopt;
    }
    void setClipboardText(const std::string& text) override { clipboard = text; }
    void bringToFront(WindowId window) override { actions.push_back("front:" + std::to_string(window)); }
    void restore(WindowId window) override { actions.push_back("restore:" + std::to_string(window)); }

    struct Window {
        WindowId id;
        std::string title;
        bool open = true;
    };
    std::vector<Window> windows;
    std::optional<std::string> clipboard;
    std::vector<std::string> actions;
    int lookups = 0;
};

// Keeps the texts it is given.
class RecordingMessages : public app::Messages {
public:
    void show(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// Keeps what the windows ask of the coder's guide (AppContext::guide).
class RecordingGuide : public app::GuideHooks {
public:
    void codeSelected(const std::string& code) override { selected.push_back(code); }
    void showNotes(const std::string& code) override { notes.push_back(code); }
    void showIndex() override { ++indexShown; }
    std::vector<std::string> selected; // every selection reported, in order
    std::vector<std::string> notes;    // every F1, with its code
    int indexShown = 0;
};

} // namespace testsupport
