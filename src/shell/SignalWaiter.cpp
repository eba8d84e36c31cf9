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
    {
        std::lock_guard lock(slot_->mutex);
        slot_->handler = std::move(handler);
    }
    std::thread([set = set_, slot = slot_] {
        for (;;) {
            int received = 0;
            if (sigwait(&set, &received) != 0)
                continue;
            std::lock_guard lock(slot->mutex);
            if (slot->handler)
                slot->handler(received);
        }
    }).detach();
}

void SignalWaiter::StopListening() {
    std::lock_guard lock(slot_->mutex);
    slot_->handler = nullptr;
}

} // namespace tb
