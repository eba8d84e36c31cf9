#pragma once

#include "core/String.h"

namespace tb {

// Key paths of the store: names joined by backslashes, as in
// "Software\Brightfold\Tunebridge\1.0\Users\0". The backslash is part of the
// store's naming, not a file path. The empty path is the root key.
class KeyPath {
public:
    static constexpr char Separator = '\\';

    // The path with one trailing separator dropped. Throws RegistryException
    // (InvalidParameter) for an empty level ("a\\b", "\a") or a NUL byte.
    static String Normalize(const String& path);
    // `name` (one or more levels, not empty) below `parent`. Throws as Normalize.
    static String Child(const String& parent, const String& name);
    // The path one level up; the root for a top-level key.
    static String Parent(const String& path);
    // The last level's name.
    static String Leaf(const String& path);
};

} // namespace tb
