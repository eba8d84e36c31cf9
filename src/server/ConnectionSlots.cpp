#include "server/ConnectionSlots.h"

#include "core/Event.h"

#include <chrono>

namespace tb {

bool ConnectionSlots::Acquire(const Event& quit) {
    std::unique_lock lock(mutex_);
    // The quit event has no link to this lock, so it is polled.
    while (inUse_ >= limit_) {
        if (quit.IsSet())
            return false;
        freed_.wait_for(lock, std::chrono::milliseconds(100));
    }
    ++inUse_;
    return true;
}

void ConnectionSlots::Release() {
    {
        std::lock_guard lock(mutex_);
        --inUse_;
    }
    freed_.notify_one();
}

void ConnectionSlots::SetLimit(int32_t limit) {
    {
        std::lock_guard lock(mutex_);
        limit_ = limit > 0 ? limit : 1;
    }
    freed_.notify_all();
}

} // namespace tb
