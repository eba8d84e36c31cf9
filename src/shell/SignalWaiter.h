#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <signal.h>

namespace tb {

// Turns process signals into calls on a thread of their own. The
// constructor blocks the signals in the calling thread, and every thread
// started later inherits that, so it must run before any other thread
// starts.
class SignalWaiter {
public:
    explicit SignalWaiter(std::initializer_list<int> signals);
    // Calls `handler` with each signal as it arrives, on a detached thread
    // that lives until the process ends.
    void Listen(std::function<void(int)> handler);
    // Waits for a handler call in progress; later signals are dropped. The
    // objects the handler uses may be destroyed once this returns.
    void StopListening();

private:
    struct Slot {
        std::mutex mutex;
        std::function<void(int)> handler; // guarded by mutex
    };

    sigset_t set_;
    // Shared with the listening thread, which outlives this object.
    std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
};

} // namespace tb
