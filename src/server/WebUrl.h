#pragma once

#include <cstdint>
#include <string_view>

namespace tb {

// What a browser's short URL names: "/" alone, or "/" + an optional action
// letter + 1 to 6 decimal digits + the end, "/" or "." (the rest is not
// read). The letter is the character after "/" when it is no digit.
struct WebUrl {
    char action = ' '; // ' ' without a letter
    int32_t node = -1; // the index ID (0 = root), or the picture number; -1 when the form fails
};
WebUrl ParseWebUrl(std::string_view path);

} // namespace tb
