#pragma once

#include "core/Socket.h"
#include "core/String.h"

namespace tb {

// A complete answer built before it is sent (a device listing, built under
// the node index lock and sent after it).
struct HttpAnswer {
    String header;
    String body;

    bool IsEmpty() const noexcept { return header.IsEmpty(); }
    void SendTo(Socket& socket) const { socket.Write(header, body); }
};

} // namespace tb
