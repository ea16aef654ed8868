#pragma once
#include <QString>

#include "app/core/messages.h"

namespace app {

// Shows each message in a modal message box over the active window, captioned
// with the given caption (by default the application's display name).
class QtMessages : public Messages {
public:
    explicit QtMessages(QString caption = {}) : m_caption(std::move(caption)) {}
    void show(const std::string& text) override;

private:
    QString m_caption;
};

} // namespace app
