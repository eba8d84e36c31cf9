#pragma once

#include "core/String.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace tb {

// Lines handed from any number of threads to one consumer. Producers never
// wait for the consumer: once `capacity` lines wait, further lines are
// dropped and counted, so a consumer that stalls (an output nobody reads)
// cannot stall the threads that log. Thread-safe.
class LineQueue {
public:
    explicit LineQueue(size_t capacity) : capacity_(capacity) {}

    void Push(String line);
    // Makes a waiting Take return even without lines.
    void Wake();
    // Ends the queue: Take returns what is left and then reports the end.
    void Close();

    struct Batch {
        std::vector<String> lines;
        uint64_t dropped = 0; // lines dropped since the previous batch
        bool closed = false;  // the queue was closed and this is the last batch
    };
    // Waits until lines wait, Wake or Close is called, and takes everything.
    Batch Take();

private:
    const size_t capacity_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<String> lines_; // guarded by mutex_
    uint64_t dropped_ = 0;     // guarded by mutex_
    bool woken_ = false;       // guarded by mutex_
    bool closed_ = false;      // guarded by mutex_
};

} // namespace tb
