#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tb {

// Something that runs on a thread of its own; Run is the thread's body.
class Runnable {
public:
    virtual ~Runnable() = default;
    virtual void Run() = 0;
};

// Stack size of every thread started here. Connection threads are many and
// shallow; a modest stack keeps a thousand of them cheap.
size_t ThreadStackSize();

// Starts `object->Run()` on a new detached thread that owns the object and
// deletes it when Run returns. Exceptions escaping Run end only that thread.
// Throws std::system_error when no thread can be started.
void StartThread(std::unique_ptr<Runnable> object);
// As above for an object owned elsewhere, which must outlive the thread.
void StartThread(Runnable& object);

// Threads started above that have not finished yet.
int32_t RunningThreadCount();
// Waits until every thread started above has finished, at most
// `milliseconds`; true when none is left.
bool WaitForThreads(int32_t milliseconds);

} // namespace tb
