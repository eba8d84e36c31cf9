#pragma once

#include "core/String.h"

namespace tb {

// 12 letters and digits from the system's random source, leaving out the
// ones easily mistaken for each other. Throws std::runtime_error when the
// random source cannot be read.
String RandomPassword();

} // namespace tb
