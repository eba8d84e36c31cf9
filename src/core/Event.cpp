#include "core/Event.h"

#include <chrono>

namespace tb {

void Event::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
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
    auto isSet = [this] { return set_; };
    bool signalled = milliseconds < 0
                         ? (changed_.wait(lock, isSet), true)
                         : changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet);
    if (signalled && autoReset_)
        set_ = false;
    return signalled;
}

} // namespace tb
