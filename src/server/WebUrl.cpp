#include "server/WebUrl.h"

namespace tb {

WebUrl ParseWebUrl(std::string_view path) {
    WebUrl url;
    if (path.empty() || path[0] != '/')
        return url;
    if (path.size() == 1) {
        url.node = 0;
        return url;
    }
    size_t at = 1;
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (!isDigit(path[at]))
        url.action = path[at++];
    int32_t number = 0;
    size_t digits = 0;
    for (; at < path.size() && isDigit(path[at]); ++at, ++digits) {
        if (digits == 6)
            return url;
        number = number * 10 + (path[at] - '0');
    }
    if (digits == 0 || (at < path.size() && path[at] != '/' && path[at] != '.'))
        return url;
    url.node = number;
    return url;
}

} // namespace tb
