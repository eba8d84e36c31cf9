#include "core/Semaphore.h"

#include "core/Exceptions.h"

#include <cerrno>
#include <chrono>

namespace tb {

Semaphore::Semaphore(int32_t initialCount, int32_t maximumCount)
    : count_(initialCount), maximum_(maximumCount) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount)
        throw SemaphoreException(EINVAL);
}

bool Semaphore::Wait(int32_t milliseconds) {
    std::unique_lock lock(mutex_);
    auto positive = [this] { return count_ > 0; };
    if (milliseconds < 0)
        available_.wait(lock, positive);
    else if (!available_.wait_for(lock, std::chrono::milliseconds(milliseconds), positive))
        return false;
    --count_;
    return true;
}

void Semaphore::Release(int32_t count) {
    // Notified under the lock: the thread that takes the count may destroy
    // the semaphore at once.
    std::lock_guard lock(mutex_);
    if (count <= 0 || count > maximum_ - count_)
        throw SemaphoreException(SemaphoreException::TooManyPosts);
    count_ += count;
    available_.notify_all();
}

} // namespace tb
