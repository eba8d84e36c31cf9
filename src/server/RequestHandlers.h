#pragma once

#include <cstdint>

namespace tb {

class ClientConnection;
struct HttpRequest;

// What the listener hands requests to. The connection thread calls these;
// implementations must be safe to call from many connection threads at once.
class RequestHandlers {
public:
    virtual ~RequestHandlers() = default;
    // A device's POST (the whole request, NUL-terminated at `count`). The
    // connection always ends afterwards.
    virtual void HandleDevicePost(ClientConnection& connection, const char* bytes,
                                  int32_t count) = 0;
    // A GET from a device ("Streamium" user agent): a stream request.
    virtual void HandleDeviceGet(HttpRequest& request) = 0;
    // Any other GET; true keeps a persistent connection open.
    virtual bool HandleWebGet(HttpRequest& request) = 0;
};

} // namespace tb
