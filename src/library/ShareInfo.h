#pragma once

#include "core/String.h"

namespace tb {

// The share a song or random stream came from. Owned by the tree that
// holds the nodes; immutable after construction.
struct ShareInfo {
    String name;
    String path;
};

} // namespace tb
