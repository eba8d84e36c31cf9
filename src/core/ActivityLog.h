#pragma once

#include "core/Event.h"
#include "core/String.h"

namespace tb {

// The sink every subsystem reports to: log lines and pop-up notifications.
// Implementations must be callable from any thread and must never throw or
// block for long. The attention event is raised by the server when it
// cannot listen; front ends may react to it.
class ActivityLog {
public:
    virtual ~ActivityLog() = default;
    virtual void AddLine(const String& line) = 0;
    virtual void Notify(const String& title, const String& text) = 0;

    Event& Attention() noexcept { return attention_; }

private:
    Event attention_{Event::Mode::AutoReset};
};

} // namespace tb
