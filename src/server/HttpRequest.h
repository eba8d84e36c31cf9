#pragma once

#include "core/IPAddress.h"
#include "core/String.h"

#include <cstdint>
#include <memory>

namespace tb {

class ActivityLog;
class Event;
class NodeTree;
class Socket;
class UserItem;
class UserList;

// One request as handed to request handlers and node operations.
struct HttpRequest {
    std::shared_ptr<UserItem> user; // the admitted user or device; null until admitted
    Socket* socket = nullptr;       // where the answer goes
    int32_t nodeNumber = 0;         // node named by the URL; -1 when a web URL names none
    int32_t extra = 0;              // extra number of a stream URL
    String path;                    // request target, percent-decoded, query included
    ActivityLog* log = nullptr;
    const Event* quitEvent = nullptr;
    String baseUrl;         // "http://" + Host + "/", empty without Host
    String unitKey;         // device identity
    int32_t rangeStart = 0; // from "Range: bytes=", may be negative
    String credentials;     // Base64 text after "Authorization: Basic "
    String ifModifiedSince;
    String ifNoneMatch;         // between the double quotes
    bool wantsMetadata = false; // "icy-metadata: 1"

    // Where the handlers find the rest of the server.
    String serverName;                  // the server's name setting
    int32_t stationTimeoutSeconds = 30; // a radio station silent this long ends its relay
    IPAddress peer;                     // the client's address
    UserList* users = nullptr;          // for status reports and the user's activity
    // The tree the request's node belongs to; holding it keeps the node
    // alive across a rebuild. A long answer lets go of it once it has taken
    // what it needs from the node.
    std::shared_ptr<const NodeTree> tree;
    // Set by an answer that only the end of the connection can end (a
    // stream without a length, or no answer at all).
    bool closeConnection = false;
};

} // namespace tb
