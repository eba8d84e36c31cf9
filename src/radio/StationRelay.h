#pragma once

#include "core/String.h"

namespace tb {

struct HttpRequest;

// Tunes in to the station at `url` and sends its audio to the request's
// client, without the station's metadata, until the station or the client
// fails or the server quits. Redirects are followed, at most five in a row;
// a station that sends nothing for the request's station time-out ends the
// relay. An unresolvable host ends it at once, with nothing sent. `etag`
// goes into the answer's header.
void RelayStation(HttpRequest& request, const String& url, const String& etag);

} // namespace tb
