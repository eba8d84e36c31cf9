#pragma once

#include "core/String.h"
#include "covers/SiteAnswer.h"

namespace tb {

class Event;

// Fetches pages and pictures from cover sites as a browser of their time
// did: the fixed request, with the previous request's address as referer,
// one connection per request, no redirect followed. Once `quit` is set no
// network step starts. One client per site search, one thread.
class SiteClient {
public:
    SiteClient(const Event& quit, int32_t timeoutMs) : quit_(quit), timeoutMs_(timeoutMs) {}

    // The answer to GET `url` ("http://host[:port]/path"), whatever its
    // status. Throws DizerOviziraObjectException when the program ends,
    // the host is unknown or unreachable, or the answer is not whole.
    SiteAnswer Get(const String& url, size_t limit);

    // The request bytes for one path.
    static String Request(const String& path, const String& host, const String& referer);

private:
    const Event& quit_;
    const int32_t timeoutMs_;
    String referer_;
};

} // namespace tb
