#pragma once

#include "server/RequestHandlers.h"
#include "server/ServerContext.h"

namespace tb {

// The server's request handlers: device browsing and streaming, and the
// browser interface.
class Dispatch : public RequestHandlers {
public:
    explicit Dispatch(ServerContext context) : context_(context) {}

    void HandleDevicePost(ClientConnection& connection, const char* bytes, int32_t count) override;
    void HandleDeviceGet(HttpRequest& request) override;
    bool HandleWebGet(HttpRequest& request) override;

private:
    ServerContext context_;
};

} // namespace tb
