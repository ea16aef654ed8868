#pragma once
// Every message box of the program goes through this interface, so tests can
// read the text instead of blocking on a dialog.

#include <string>
#include <vector>

namespace app {

class Messages {
public:
    virtual ~Messages() = default;
    // A modal message with this text and an OK button.
    virtual void show(const std::string& text) = 0;
};

// Shows nothing: for a context whose messages nobody reads.
class NullMessages : public Messages {
public:
    void show(const std::string&) override {}
    static NullMessages& Instance() {
        static NullMessages instance;
        return instance;
    }
};

// Keeps the texts it is given; used by tests.
class RecordingMessages : public Messages {
public:
    void show(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

} // namespace app
