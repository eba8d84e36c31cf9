#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tb {

class Event;

// Bounds the number of connections served at once. The server takes a slot
// before it accepts, so clients beyond the limit wait in the listen backlog
// instead of costing a thread each. Thread-safe.
class ConnectionSlots {
public:
    explicit ConnectionSlots(int32_t limit) : limit_(limit) {}

    // Waits for a free slot; false when `quit` was set first.
    bool Acquire(const Event& quit);
    void Release();
    void SetLimit(int32_t limit);

    // Gives a slot back when it goes out of scope.
    class Token {
    public:
        explicit Token(ConnectionSlots* slots) : slots_(slots) {}
        Token(Token&& other) noexcept : slots_(other.slots_) { other.slots_ = nullptr; }
        Token& operator=(Token&&) = delete;
        ~Token() {
            if (slots_)
                slots_->Release();
        }

    private:
        ConnectionSlots* slots_;
    };

private:
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    int32_t limit_;     // guarded by mutex_
    int32_t inUse_ = 0; // guarded by mutex_
};

} // namespace tb
