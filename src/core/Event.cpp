#include "core/Event.h"

#include <chrono>

namespace tb {

void Event::Set() {
    // Notified under the lock: a waiter that sees the event set may destroy
    // it at once, so Set must not touch it once the lock is released.
    std::lock_guard lock(mutex_);
    set_ = true;
    if (autoReset_)
        changed_.notify_one();
    else
        changed_.notify_all();
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool Event::Wait(int32_t milliseconds) const {
    std::unique_lock lock(mutex_);
    auto isSet = [this] { return set_.load(std::memory_order_relaxed); };
    bool signalled = milliseconds < 0
                         ? (changed_.wait(lock, isSet), true)
                         : changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet);
    if (signalled && autoReset_)
        set_ = false;
    return signalled;
}

} // namespace tb
