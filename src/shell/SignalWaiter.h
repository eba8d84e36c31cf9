#pragma once

#include <functional>
#include <initializer_list>
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

private:
    sigset_t set_;
};

} // namespace tb
