#pragma once

#include "library/Mp3ByteSource.h"
#include "library/Mp3TextFields.h"

#include <cstdint>

namespace tb {

// Reads an ID3v2.2 or ID3v2.3 tag at the start of the source into the text
// fields. Returns false, leaving the fields untouched, when there is no such
// tag, it is another version (2.4 tags are left to the ID3v1 tag), it has
// flags we do not know, or it is cut short; `audioStart` is then 0.
// Otherwise returns true, even when no frame was taken, and sets
// `audioStart` to the first byte after the tag.
bool ReadId3v2Tag(Mp3ByteSource& source, Mp3TextFields& fields, uint64_t& audioStart);

// Reads an ID3v1 or ID3v1.1 tag from the last 128 bytes of the source into
// the text fields. Returns false when there is none.
bool ReadId3v1Tag(Mp3ByteSource& source, Mp3TextFields& fields);

} // namespace tb
