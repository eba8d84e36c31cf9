#include "core/HttpUrl.h"

#include <algorithm>
#include <strings.h>

namespace tb {

HttpUrl SplitHttpUrl(const String& url) {
    std::string_view rest = url.View();
    if (rest.size() >= 7 && strncasecmp(rest.data(), "http://", 7) == 0)
        rest.remove_prefix(7);
    size_t hostEnd = std::min(rest.find_first_of("/:"), rest.size());
    HttpUrl parts{String(rest.substr(0, hostEnd)), String("80"), String()};
    rest.remove_prefix(hostEnd);
    if (!rest.empty() && rest.front() == ':') {
        size_t portEnd = std::min(rest.find('/'), rest.size());
        parts.port = String(rest.substr(1, portEnd - 1));
        rest.remove_prefix(portEnd);
    }
    parts.path = rest.empty() ? String("/") : String(rest);
    return parts;
}

} // namespace tb
