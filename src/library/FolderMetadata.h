#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

// What a folder says about itself in its metadata file, plus the cover
// pictures found for it. Image fields hold full paths.
struct FolderMetadata {
    String album;
    String artist;
    String templateFile;
    String comment;
    int32_t sortOrder = 0;
    bool recommended = false;
    String frontImage;
    String backImage;

    bool operator==(const FolderMetadata&) const = default;
};

} // namespace tb
