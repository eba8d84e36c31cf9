#pragma once

#include "core/String.h"

#include <ostream>

namespace tb {

// Failure messages show a String's text.
inline void PrintTo(const String& s, std::ostream* os) {
    *os << '"' << s.View() << '"';
}

} // namespace tb
