#pragma once

namespace tb {

struct HttpRequest;
struct ServerContext;

// Answers a browser's GET: admits the web user by its Basic credentials,
// answers 304 for a current cached copy, serves built-in and skin pictures
// and hands everything else to the node the URL names. True when the
// connection may stay open.
bool HandleWebGet(ServerContext& context, HttpRequest& request);

} // namespace tb
