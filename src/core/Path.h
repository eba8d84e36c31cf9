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

} // namespace tb
