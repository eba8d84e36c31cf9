#pragma once

#include "library/Mp3ByteSource.h"
#include "library/Mp3FrameHeader.h"

#include <cstdint>
#include <optional>

namespace tb {

struct Mp3HeaderSearchResult {
    Mp3FrameHeader header;
    // Constant-bit-rate estimate of the play time; 0 when no header was
    // confirmed and the last unconfirmed candidate stands in.
    uint32_t seconds;
};

// Searches the source from `start` for an MPEG audio frame header that the
// header one frame length further on confirms. The source is read in
// 1800-byte chunks that do not overlap, so a pair of headers across a
// chunk boundary goes unconfirmed. The bytes to read are counted from the
// whole source size (low 32 bits), not from `start`: after an ID3v2 tag the
// last read comes up short, and a short read ends the search with nothing.
// Without a confirmed header, the last candidate seen is the result, if any.
std::optional<Mp3HeaderSearchResult> SearchMp3FrameHeader(Mp3ByteSource& source, uint64_t start);

} // namespace tb
