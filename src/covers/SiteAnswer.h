#pragma once

#include "core/Stream.h"

#include <cstddef>
#include <string>

namespace tb {

// A cover site's answer to one request: its status (-1 when the status
// line has no space) and its body, decoded when it came gzip- or
// deflate-encoded.
struct SiteAnswer {
    int status = -1;
    std::string body;
};

// Bounds of what a cover site may send.
constexpr size_t PageLimit = 4 * 1024 * 1024;
constexpr size_t PictureLimit = 20 * 1024 * 1024;

// Reads one answer from `source`: the status line, the header, and the
// body, chunked, of a Content-Length, or up to the close. Only a whole
// body is returned: throws DizerOviziraObjectException when the answer
// ends before the last chunk or its length, a chunk size or length does
// not read, the header or the body (before or after decoding) passes its
// bound (`limit` for the body), or a compressed body does not decode.
// Socket failures other than the peer's close pass through.
SiteAnswer ReadSiteAnswer(InputStream& source, size_t limit);

} // namespace tb
