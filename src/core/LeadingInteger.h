#pragma once

#include <cstdint>
#include <string_view>

namespace tb {

// The C atoi reading of a text: leading white space, an optional sign and
// the digits that follow; 0 when there are none. Unlike atoi it never
// overflows: values beyond the 32-bit range saturate.
int32_t LeadingInteger(std::string_view text);

} // namespace tb
