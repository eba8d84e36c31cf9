#pragma once

namespace tb {

class LiveSettings;
class NodeIndex;
class UserList;

// What the request handlers work on, owned by the front end; every part is
// thread-safe.
struct ServerContext {
    const LiveSettings& settings;
    NodeIndex& index;
    UserList& users;
};

} // namespace tb
