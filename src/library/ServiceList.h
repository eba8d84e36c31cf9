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
    // Holds the list's lock for its scope.
    class Guard : public SemaphoreLock {
    public:
        explicit Guard(ServiceList& list) : SemaphoreLock(list.lock_) {}
    };

    // Only with the lock held.
    std::vector<std::shared_ptr<ServiceItem>>& Items() noexcept { return items_; }
    void Sort();

private:
    Semaphore lock_{1, 1};
    std::vector<std::shared_ptr<ServiceItem>> items_; // guarded by lock_
};

} // namespace tb
