#pragma once

#include <cstdint>

namespace tb {

// Memory figures of the calling process, for before/after comparisons.
// Resident bytes come from /proc/self/statm (0 when it cannot be read);
// heap bytes are what malloc has handed out and not yet taken back.
uint64_t ResidentBytes();
uint64_t HeapBytesInUse();

} // namespace tb
