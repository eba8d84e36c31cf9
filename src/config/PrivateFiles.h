#pragma once

#include "core/String.h"

namespace tb {

// The store holds passwords, so its folder and file are for the owner only.

// Creates `path` and its missing parents with mode 0700; existing folders are
// left as they are. Throws RegistryException when that fails, when `path` is
// not a folder, or when it cannot be written (the store's journal lives
// beside it).
void CreatePrivateDirectory(const String& path);

// Creates the file with mode 0600 when missing and makes sure it can be
// written; an existing file of ours loses any group and other permissions.
// Throws RegistryException.
void PreparePrivateFile(const String& path);

} // namespace tb
