#pragma once

#include "core/String.h"

namespace tb {

// One name/value pair: a header line or an XML attribute.
struct TagValue {
    String tag;
    String value;

    // tag + separator + value, the value in double quotes when `quoted`.
    String ToString(const char* separator, bool quoted) const;
};

} // namespace tb
