#pragma once

#include "core/ActivityLog.h"

#include <cstdio>
#include <mutex>

namespace tb {

class Event;

// The activity log of the headless front end: one line per entry on a
// stream (standard output), notifications as "title: text" lines. Lines
// are dropped once the quit event is set. On a terminal it can also keep a
// transient status line below the log, redrawn after each entry.
// Thread-safe.
class ConsoleLog : public ActivityLog {
public:
    ConsoleLog(std::FILE* out, const Event& quit, bool terminal = false)
        : out_(out), quit_(quit), terminal_(terminal) {}

    void AddLine(const String& line) override;
    void Notify(const String& title, const String& text) override;

    bool IsTerminal() const noexcept { return terminal_; }
    // Shows (or, with an empty text, removes) the status line; terminals only.
    void SetStatusLine(const String& text);

private:
    void Write(const String& text);
    void DrawStatus();

    std::mutex mutex_;
    std::FILE* out_; // written under mutex_
    const Event& quit_;
    const bool terminal_;
    String status_; // guarded by mutex_
};

} // namespace tb
