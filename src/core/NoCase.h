#pragma once

#include <string_view>
#include <strings.h>

namespace tb {

// Whether `text` begins with `prefix`, ASCII letter case ignored; and the
// same at position `at` (false past the end).
inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}
inline bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
    return at <= text.size() && StartsWithNoCase(text.substr(at), prefix);
}

} // namespace tb
