#pragma once
#include "app/core/messages.h"

namespace app {

// Shows each message in a modal message box over the active window.
class QtMessages : public Messages {
public:
    void show(const std::string& text) override;
};

} // namespace app
