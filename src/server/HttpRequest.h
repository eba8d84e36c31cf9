#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

class ActivityLog;
class Event;
class Socket;
class UserItem;

// One request as handed to request handlers and node operations.
struct HttpRequest {
    UserItem* user = nullptr;  // the admitted user or device; null until admitted
    Socket* socket = nullptr;  // where the answer goes
    int32_t nodeNumber = 0;    // node named by the URL; -1 when a web URL names none
    int32_t extra = 0;         // extra number of a stream URL
    String path;               // request target, percent-decoded, query included
    ActivityLog* log = nullptr;
    const Event* quitEvent = nullptr;
    String baseUrl;            // "http://" + Host + "/", empty without Host
    String unitKey;            // device identity
    int32_t rangeStart = 0;    // from "Range: bytes=", may be negative
    String credentials;        // Base64 text after "Authorization: Basic "
    String ifModifiedSince;
    String ifNoneMatch;        // between the double quotes
    bool wantsMetadata = false; // "icy-metadata: 1"
};

} // namespace tb
