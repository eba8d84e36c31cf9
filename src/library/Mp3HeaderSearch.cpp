#include "library/Mp3HeaderSearch.h"

#include <algorithm>
#include <cstring>

namespace tb {
namespace {

constexpr uint32_t ChunkSize = 1800;

// The four bytes one frame length after p repeat p's header, apart from the
// padding and private bits.
bool IsConfirmed(const uint8_t* p, const uint8_t* chunkEnd, const Mp3FrameHeader& header) {
    uint64_t length = header.FrameLength();
    if (length + 4 > static_cast<uint64_t>(chunkEnd - p))
        return false;
    const uint8_t* next = p + length;
    return next[0] == p[0] && next[1] == p[1] && (next[2] & 0xFC) == (p[2] & 0xFC) &&
           next[3] == p[3];
}

// Looks at every position of the chunk that has four bytes, remembering
// each candidate in `last`. True when one is confirmed.
bool ScanChunk(const uint8_t* chunk, size_t size, std::optional<Mp3FrameHeader>& last) {
    if (size < 4)
        return false;
    const uint8_t* chunkEnd = chunk + size;
    const uint8_t* lastStart = chunkEnd - 3;
    for (const uint8_t* p = chunk;
         (p = static_cast<const uint8_t*>(memchr(p, 0xFF, static_cast<size_t>(lastStart - p))));
         ++p) {
        if (!Mp3FrameHeader::IsCandidate(p))
            continue;
        last = Mp3FrameHeader(p + 1);
        if (IsConfirmed(p, chunkEnd, *last))
            return true;
    }
    return false;
}

Mp3HeaderSearchResult ResultOf(const Mp3FrameHeader& header, uint32_t count) {
    // Kept in 32 bits on purpose: it is the length songs have always shown.
    uint32_t seconds = count * 8u / (header.Kbps() * 1000u);
    return {header, seconds};
}

} // namespace

std::optional<Mp3HeaderSearchResult> SearchMp3FrameHeader(Mp3ByteSource& source, uint64_t start) {
    uint32_t count = static_cast<uint32_t>(source.Size());
    uint8_t chunk[ChunkSize];
    std::optional<Mp3FrameHeader> last;
    uint64_t position = start;
    while (count != 0) {
        uint32_t size = std::min(count, ChunkSize);
        if (source.ReadAt(position, chunk, size) != size)
            return std::nullopt;
        position += size;
        count -= size;
        if (ScanChunk(chunk, size, last))
            return ResultOf(*last, count);
    }
    if (last)
        return ResultOf(*last, 0);
    return std::nullopt;
}

} // namespace tb
