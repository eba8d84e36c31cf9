#pragma once

#include "core/IPAddress.h"
#include "core/ServerSocket.h"
#include "core/Thread.h"
#include "server/ConnectionSlots.h"

#include <functional>
#include <memory>
#include <mutex>

namespace tb {

class ActivityLog;
class Event;
class LiveSettings;
class RequestHandlers;

// The listener. Run (on the server thread) binds the configured address,
// retries every 2000 ms while it cannot, and hands each accepted connection
// to a ClientConnection on a thread of its own. Stop (any thread) closes the
// listener so that the server restarts with the current settings; the
// thread ends once the quit event is set and the listener fails.
// Connection threads use the server's slots, log, settings and handlers: the
// server must outlive them (wait for the threads before destroying it).
class StreamServer : public Runnable {
public:
    static constexpr int32_t RetryMilliseconds = 2000;

    StreamServer(const Event& quit, ActivityLog& log, const LiveSettings& settings,
                 RequestHandlers& handlers);
    ~StreamServer() override;

    void Run() override;
    void Stop();
    // Called on the server thread whenever the listener cannot be made,
    // with the system's error code, before the next retry. Set before Run.
    void SetListenFailureHandler(std::function<void(int error)> handler) {
        onListenFailure_ = std::move(handler);
    }

private:
    // Creates the listener; false when the quit event ended the retries.
    bool Listen();
    // Accepts until the listener fails; false when the server must end.
    bool AcceptConnections();
    void DropListener();

    const Event& quit_;
    ActivityLog& log_;
    const LiveSettings& settings_;
    RequestHandlers& handlers_;
    std::function<void(int)> onListenFailure_;
    ConnectionSlots slots_;
    std::mutex listenerMutex_;
    // Created, used and deleted by the server thread; Stop only interrupts it.
    std::unique_ptr<ServerSocket> listener_; // guarded by listenerMutex_
};

} // namespace tb
