#pragma once

#include "core/String.h"

#include <utility>
#include <vector>

namespace tb {

struct HttpRequest;

// Sends a pls playlist of (url, title) entries, numbered from 1, under the
// playlist header with `tag` as its entity tag.
void SendStationPlaylist(HttpRequest& request,
                         const std::vector<std::pair<String, String>>& entries, const String& tag);

} // namespace tb
