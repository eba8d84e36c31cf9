#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

// The fixed answer headers, each ending with the empty line. The length is
// the body length in bytes; the tag is an entity tag (time tag, file tag or
// HTTP date text).
// The 200 header with any content type; the four below are its common forms.
String Ok200(int64_t length, const String& tag, const char* contentType);
String Html200(int32_t length, const String& tag);
String Xml200(int32_t length, const String& tag);
String Gif200(int32_t length, const String& tag);
String Jpg200(int32_t length, const String& tag);
// The 304 answer also names the tag that is still current.
String NotModified304(const String& date, const String& tag);
String Unauthorized401(int32_t length);

// Time tag of the file's last-write time, "x", and its size (low 32 bits).
// A file that cannot be examined counts as time 0 and size 0.
String FileETag(const char* path);

} // namespace tb
