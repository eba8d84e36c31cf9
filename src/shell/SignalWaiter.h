#pragma once

#include <initializer_list>
#include <signal.h>

namespace tb {

// Turns process signals into something a thread waits for. The constructor
// blocks the signals in the calling thread, and every thread started later
// inherits that, so it must run before any other thread starts.
class SignalWaiter {
public:
    explicit SignalWaiter(std::initializer_list<int> signals);
    // Waits for one of the signals and returns its number.
    int Wait();

private:
    sigset_t set_;
};

} // namespace tb
