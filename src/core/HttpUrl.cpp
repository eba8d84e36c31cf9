#include "core/HttpUrl.h"

#include "core/NoCase.h"

#include <algorithm>

namespace tb {

HttpUrl SplitHttpUrl(const String& url) {
    std::string_view rest = url.View();
    if (StartsWithNoCase(rest, "http://"))
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

std::optional<uint16_t> PortOf(const HttpUrl& url) {
    std::string_view text = url.port.View();
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos)
        return std::nullopt;
    unsigned port = 0;
    for (char c : text)
        port = port * 10 + static_cast<unsigned>(c - '0');
    if (port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(port);
}

} // namespace tb
