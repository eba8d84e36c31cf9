#pragma once

#include "core/Semaphore.h"
#include "library/ServiceItem.h"

#include <memory>
#include <vector>

namespace tb {

// The configured services in display order: shares before radio stations,
// then by name ignoring case. Changes and index builds hold the lock; the
// index build takes it after the node index lock.
class ServiceList {
public:
    void Lock() { lock_.Wait(-1); }
    void Unlock() { lock_.Release(1); }

    // Only with the lock held.
    std::vector<std::shared_ptr<ServiceItem>>& Items() noexcept { return items_; }
    void Sort();

private:
    Semaphore lock_{1, 1};
    std::vector<std::shared_ptr<ServiceItem>> items_; // guarded by lock_
};

} // namespace tb
