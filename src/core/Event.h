#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tb {

// A signalled/unsignalled flag threads can wait on. A manual-reset event
// stays signalled until Reset; an auto-reset event lets one waiter through
// and resets itself. Thread-safe.
class Event {
public:
    enum class Mode { ManualReset, AutoReset };

    explicit Event(Mode mode = Mode::ManualReset, bool initiallySet = false)
        : autoReset_(mode == Mode::AutoReset), set_(initiallySet) {}

    void Set();
    void Reset();
    // True when the event was (or became) signalled within `milliseconds`;
    // a negative time waits without limit. Wait(0) only tests.
    bool Wait(int32_t milliseconds) const;
    // Tests without waiting (and, for an auto-reset event, takes the signal).
    // Cheap for a manual-reset event: long loops poll it often.
    bool IsSet() const { return autoReset_ ? Wait(0) : set_.load(std::memory_order_acquire); }

private:
    const bool autoReset_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    // Written under mutex_; a manual-reset event's readers may skip the lock.
    mutable std::atomic<bool> set_;
};

} // namespace tb
