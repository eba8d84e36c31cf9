#pragma once

#include "core/IPAddress.h"
#include "core/Socket.h"

#include <memory>

namespace tb {

// A listening TCP socket. The constructor binds and listens (backlog
// SOMAXCONN, SO_REUSEADDR so a restart need not wait out TIME_WAIT) and
// throws SocketException when it cannot. Accept and Close belong to the
// owning thread; Interrupt may be called from any thread to make a blocked
// Accept fail.
class ServerSocket {
public:
    explicit ServerSocket(const IPAddress& address);
    ~ServerSocket();
    ServerSocket(const ServerSocket&) = delete;
    ServerSocket& operator=(const ServerSocket&) = delete;

    // Waits for a connection; the new socket gets `timeoutMs` (0 = none).
    std::unique_ptr<Socket> Accept(int32_t timeoutMs);
    void Interrupt();
    void Close();
    // The bound address, with the real port when port 0 was asked for.
    IPAddress LocalAddress() const;

private:
    int handle_;
};

} // namespace tb
