#pragma once

#include "core/ActivityLog.h"

#include <memory>
#include <thread>

namespace tb {

class Event;

// The activity log of the headless front end: one line per entry on a file
// descriptor (standard output), notifications as "title: text" lines,
// optionally stamped with the local time. Lines are dropped once the quit
// event is set. On a terminal it can also keep a transient status line below
// the log, redrawn after each entry.
// Callers never wait for the output: lines go through a bounded queue to
// one writer thread, and when nobody reads the output, lines beyond the
// queue are dropped and their count is logged once the writer catches up.
// Thread-safe.
class ConsoleLog : public ActivityLog {
public:
    static constexpr size_t QueuedLines = 10000;

    ConsoleLog(int fd, const Event& quit, bool terminal, bool stamped);
    // Gives the writer a moment to write what waits; a writer stuck on an
    // output nobody reads is left behind.
    ~ConsoleLog() override;
    ConsoleLog(const ConsoleLog&) = delete;
    ConsoleLog& operator=(const ConsoleLog&) = delete;

    void AddLine(const String& line) override;
    void Notify(const String& title, const String& text) override;

    bool IsTerminal() const noexcept { return terminal_; }
    // Shows (or, with an empty text, removes) the status line; terminals only.
    void SetStatusLine(const String& text);

private:
    struct Output; // shared with the writer thread, which may outlive the log
    void Queue(const String& text);

    const Event& quit_;
    const bool terminal_;
    const bool stamped_;
    std::shared_ptr<Output> output_;
    std::thread writer_;
};

} // namespace tb
