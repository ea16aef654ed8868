#pragma once
// Every message box of the program goes through this interface, so tests can
// read the text instead of blocking on a dialog.

#include <string>

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

} // namespace app
