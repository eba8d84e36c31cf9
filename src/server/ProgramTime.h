#pragma once

#include "core/DateTime.h"

namespace tb {

// The last-write time of the running executable, read once. It is the
// entity tag of built-in pictures and fixed pages. Thread-safe.
const DateTime& ProgramTime();

// Name and version of this installation, as shown to clients.
const char* ProgramIdentification();

} // namespace tb
