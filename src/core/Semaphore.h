#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tb {

// A counting semaphore with a maximum count. With initial and maximum 1 it
// serves as a lock (the node index and the service list use it so).
// Thread-safe.
class Semaphore {
public:
    Semaphore(int32_t initialCount, int32_t maximumCount);

    // True when a count was taken within `milliseconds`; negative waits
    // without limit.
    bool Wait(int32_t milliseconds);
    // Adds `count`; throws SemaphoreException when that would pass the maximum.
    void Release(int32_t count = 1);

private:
    std::mutex mutex_;
    std::condition_variable available_;
    int32_t count_; // guarded by mutex_
    const int32_t maximum_;
};

// Holds one count of a semaphore used as a lock, for its scope.
class SemaphoreLock {
public:
    explicit SemaphoreLock(Semaphore& semaphore) : semaphore_(semaphore) { semaphore_.Wait(-1); }
    ~SemaphoreLock() { semaphore_.Release(1); }
    SemaphoreLock(const SemaphoreLock&) = delete;
    SemaphoreLock& operator=(const SemaphoreLock&) = delete;

private:
    Semaphore& semaphore_;
};

} // namespace tb
