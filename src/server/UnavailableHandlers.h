#pragma once

#include "server/RequestHandlers.h"

namespace tb {

// The answers of a server that has no library to offer: browsers get the
// "not available" page, device requests are closed without an answer.
class UnavailableHandlers : public RequestHandlers {
public:
    void HandleDevicePost(ClientConnection& connection, const char* bytes, int32_t count) override;
    void HandleDeviceGet(HttpRequest& request) override;
    bool HandleWebGet(HttpRequest& request) override;
};

// Sends the "not available" page for the request's path; the connection
// is to be closed afterwards.
void SendNotAvailable(HttpRequest& request);

} // namespace tb
