#pragma once

#include "core/String.h"

namespace tb {

// Where a folder's cover pictures are looked for when its metadata file
// names none, and which named pictures may be served.
class FolderImages {
public:
    // First existing front candidate: <last folder name>.jpg, .gif,
    // front.jpg, front.gif; empty when none exists.
    static String FindFront(const String& folderPath);
    // back.jpg, back.gif.
    static String FindBack(const String& folderPath);
    // A picture path from a metadata file is used only when it names a
    // .jpg, .jpeg, .gif or .png file (any case), so that the file cannot
    // turn the picture action into a way to read arbitrary files.
    static bool IsPictureName(const String& path);

    // The 49-byte 1x1 GIF sent for a folder without a picture.
    static const unsigned char Placeholder[49];
};

} // namespace tb
