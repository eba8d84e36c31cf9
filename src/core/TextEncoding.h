#pragma once

#include "core/String.h"

namespace tb {

// The text as UTF-8: returned as it is when it already is valid UTF-8 (file
// names usually are), else read as Windows-1252 (the Latin-1 of ID3 tags,
// with its printable characters at 0x80-0x9F) and converted.
String AsUtf8(const String& text);

} // namespace tb
