#pragma once

#include "core/String.h"

#include <string_view>

namespace tb {

// `directory` + "/" + `name`, without doubling a slash that ends the folder.
String JoinPath(const String& directory, std::string_view name);

// `path` made absolute against the current folder and normalised ("." and
// ".." resolved in the text, no trailing slash), so that a stored path
// means the same whichever folder a later process starts in.
String AbsolutePath(const String& path);

// The last part of `path` ("Night Harbour" of "/music/Lumen Vale/Night
// Harbour/"), and what stands before it ("/music/Lumen Vale"; "" for a
// bare name, "/" below the root).
std::string_view BaseName(std::string_view path);
std::string_view ParentPath(std::string_view path);

} // namespace tb
