#pragma once

#include "core/String.h"

#include <cstdint>
#include <optional>

namespace tb {

// An http URL taken apart: "http://" (any case) is optional, the port
// defaults to "80" and the path to "/". Nothing else is recognised: no user
// part, no other scheme; a query stays in the path.
struct HttpUrl {
    String host;
    String port;
    String path;
};
HttpUrl SplitHttpUrl(const String& url);
// The URL's port when it is a number from 1 to 65535.
std::optional<uint16_t> PortOf(const HttpUrl& url);

} // namespace tb
