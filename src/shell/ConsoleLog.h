#pragma once

#include "core/ActivityLog.h"

#include <cstdio>
#include <mutex>

namespace tb {

class Event;

// The activity log of the headless front end: one line per entry on a
// stream (standard output), notifications as "title: text" lines. Lines
// are dropped once the quit event is set. Thread-safe.
class ConsoleLog : public ActivityLog {
public:
    ConsoleLog(std::FILE* out, const Event& quit) : out_(out), quit_(quit) {}

    void AddLine(const String& line) override;
    void Notify(const String& title, const String& text) override;

private:
    void Write(const String& text);

    std::mutex mutex_;
    std::FILE* out_; // written under mutex_
    const Event& quit_;
};

} // namespace tb
