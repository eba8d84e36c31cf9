#pragma once

#include "core/Socket.h"
#include "core/Thread.h"
#include "server/ConnectionSlots.h"

#include <memory>

namespace tb {

class ActivityLog;
class Event;
class LiveSettings;
struct Settings;
class RequestHandlers;

// One accepted connection, served on a thread of its own: reads requests
// and routes POST to the device handler and GET to the request parser until
// the client stops, the request kind ends the connection, or the idle
// time-out passes. Owns its socket; deletes itself when Run ends.
class ClientConnection : public Runnable {
public:
    ClientConnection(const Event& quit, std::unique_ptr<Socket> socket, ActivityLog& log,
                     const LiveSettings& settings, RequestHandlers& handlers,
                     ConnectionSlots::Token slot);

    void Run() override;

    Socket& GetSocket() noexcept { return *socket_; }
    ActivityLog& Log() noexcept { return log_; }
    const Event& QuitEvent() noexcept { return quit_; }
    // A copy of the settings as they are now.
    tb::Settings CurrentSettings() const;
    RequestHandlers& Handlers() noexcept { return handlers_; }

private:
    void Serve(bool& logRequests);

    const Event& quit_;
    std::unique_ptr<Socket> socket_;
    ActivityLog& log_;
    const LiveSettings& settings_;
    RequestHandlers& handlers_;
    ConnectionSlots::Token slot_;
};

} // namespace tb
