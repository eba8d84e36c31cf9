#include "shell/SignalWaiter.h"

#include <pthread.h>
#include <thread>

namespace tb {

SignalWaiter::SignalWaiter(std::initializer_list<int> signals) {
    sigemptyset(&set_);
    for (int s : signals)
        sigaddset(&set_, s);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
}

void SignalWaiter::Listen(std::function<void(int)> handler) {
    std::thread([set = set_, handler = std::move(handler)] {
        for (;;) {
            int received = 0;
            if (sigwait(&set, &received) == 0)
                handler(received);
        }
    }).detach();
}

} // namespace tb
