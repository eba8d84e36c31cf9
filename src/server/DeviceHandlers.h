#pragma once

#include <cstdint>

namespace tb {

class ClientConnection;
struct HttpRequest;
struct ServerContext;

// A device's browse POST: admission, the INFO button, and the listing of
// the named node, written under the node index lock. Malformed requests and
// unknown or playable nodes get no answer.
void HandleDevicePost(ServerContext& context, ClientConnection& connection, const char* bytes,
                      int32_t count);

// A device's GET of a stream locator: admission, then the node plays.
void HandleDeviceGet(ServerContext& context, HttpRequest& request);

} // namespace tb
