#include "core/SocketRegistry.h"

#include <mutex>
#include <sys/socket.h>
#include <unordered_set>

namespace tb {
namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_set<int> handles; // guarded by mutex
    bool stopped = false;            // guarded by mutex
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

void SocketRegistry::Add(int handle) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.handles.insert(handle);
    if (r.stopped)
        shutdown(handle, SHUT_RDWR);
}

void SocketRegistry::Remove(int handle) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.handles.erase(handle);
}

void SocketRegistry::ShutdownAll() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.stopped = true;
    for (int handle : r.handles)
        shutdown(handle, SHUT_RDWR);
}

void SocketRegistry::Reopen() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.stopped = false;
}

} // namespace tb
