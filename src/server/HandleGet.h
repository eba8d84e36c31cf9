#pragma once

#include <cstdint>

namespace tb {

class ClientConnection;

// Serves one GET request (NUL-terminated at `count`): answers "/ping" and
// routes device and browser requests to the connection's handlers. True
// when the connection stays open for another request.
bool HandleGet(ClientConnection& connection, const char* bytes, int32_t count);

} // namespace tb
