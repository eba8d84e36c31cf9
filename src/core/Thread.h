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

// Runs `object->Run()` on a thread of its own, which owns the object and
// deletes it when Run returns. The thread is a new detached one, or one that
// finished an earlier object and waits a while for the next: connections
// come and go fast. Exceptions escaping Run end only that object's work.
// Throws std::system_error when no thread can be started.
void StartThread(std::unique_ptr<Runnable> object);
// As above for an object owned elsewhere, which must outlive the thread.
void StartThread(Runnable& object);

// Objects started above whose Run has not returned yet.
int32_t RunningThreadCount();
// Waits until every object started above has finished its Run, at most
// `milliseconds`; true when none is left.
bool WaitForThreads(int32_t milliseconds);

} // namespace tb
