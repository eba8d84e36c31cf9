#include "core/BuiltInResources.h"

#include <algorithm>

namespace tb {

std::optional<std::string_view> BuiltInPicture(int32_t number) {
    const resources::Entry* end = resources::Pictures + resources::PictureCount;
    const resources::Entry* at =
        std::lower_bound(resources::Pictures, end, number,
                         [](const resources::Entry& e, int32_t n) { return e.number < n; });
    if (at == end || at->number != number)
        return std::nullopt;
    return at->bytes;
}

std::string_view BuiltInTemplate() {
    return resources::Template;
}

} // namespace tb
