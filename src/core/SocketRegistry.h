#pragma once

namespace tb {

// The process-wide set of open socket handles. Shutting the "socket library"
// down at exit means shutting every open socket down, so that calls blocked
// in accept, recv or send on other threads fail and their threads end.
// All operations are thread-safe. A handle is removed before it is closed,
// so ShutdownAll never touches a handle number that was reused.
class SocketRegistry {
public:
    static void Add(int handle);
    static void Remove(int handle);
    // Shuts down every open socket; sockets opened afterwards are shut down
    // at once, until Reopen.
    static void ShutdownAll();
    // Lets sockets live again after ShutdownAll (a process that runs its
    // server more than once).
    static void Reopen();
};

} // namespace tb
