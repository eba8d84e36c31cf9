#include "shell/SignalWaiter.h"

#include <pthread.h>

namespace tb {

SignalWaiter::SignalWaiter(std::initializer_list<int> signals) {
    sigemptyset(&set_);
    for (int s : signals)
        sigaddset(&set_, s);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
}

int SignalWaiter::Wait() {
    for (;;) {
        int received = 0;
        if (sigwait(&set_, &received) == 0)
            return received;
    }
}

} // namespace tb
