#pragma once

#include "core/String.h"

#include <cstdint>
#include <string>

namespace tb {

class OutputStream;

// Writes audio with ICY metadata blocks in between: a block after exactly
// every 5000 audio bytes, counted across songs. One stream, one thread.
class IcyMetadataWriter {
public:
    static constexpr int32_t Interval = 5000;

    // Writes `count` audio bytes, with the block for `songText` wherever a
    // metadata point falls among them; returns how many bytes to read next
    // so that the next read ends at the next metadata point.
    int32_t Write(OutputStream& out, const char* bytes, int32_t count, const String& songText);

    // The block: a length byte (in 16-byte units), "StreamTitle='...';"
    // with the text cut to 4065 characters (what the length byte can
    // count) and apostrophes written as the byte 0xB4, and zero bytes up to
    // the length.
    static String Block(const String& songText);

private:
    int32_t counter_ = 0; // audio bytes since the last block
    String blockText_;    // the song text block_ was made for
    String block_;
    std::string pending_; // what one Write sends
};

} // namespace tb
