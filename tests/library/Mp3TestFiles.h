#pragma once

#include "core/String.h"
#include "support/AudioTools.h"
#include "support/TempDir.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tb {

// Lets test failures show a String as its text.
[[maybe_unused]] static void PrintTo(const String& text, std::ostream* out) {
    *out << '"' << text.View() << '"';
}

} // namespace tb

// Files for the MP3 analysis tests: audio made by lame, tags written by mutagen, and hand-built
// bytes for what neither tool writes (ID3v2.2, damaged tags, layer I and II frames).
namespace tb::test {

using Bytes = std::vector<uint8_t>;

void WriteBytes(const std::string& path, const Bytes& bytes);
Bytes ReadBytes(const std::string& path);
uint64_t FileSize(const std::string& path);

// Runs Python with every public name of mutagen.id3 (ID3, TIT2, ...),
// `mutagen` and `path` (the file) defined, then BODY; true when it succeeded.
bool RunMutagen(const std::string& path, const std::string& body);

// Hand-built ID3 tags. Sizes are written the way each version defines them:
// the tag size 7 bits per byte, frame sizes as plain big-endian numbers.
Bytes Id3v2Tag(uint8_t major, uint8_t flags, const Bytes& body);
Bytes Id3v2TagWithSize(uint8_t major, uint8_t flags, uint32_t size, const Bytes& body);
Bytes Id3v23Frame(const std::string& id, const Bytes& data);
Bytes Id3v23FrameWithSize(const std::string& id, uint32_t size, const Bytes& data);
Bytes Id3v22Frame(const std::string& id, const Bytes& data);
// Text frame data: an encoding byte of 0 (Latin-1), then the text.
Bytes Latin1(const std::string& text);
Bytes Text(const std::string& text);

struct Id3v1Fields {
    std::string title, artist, album, year;
    std::string comment; // up to 30 bytes, NUL-padded
    int track = -1;      // >= 0: the v1.1 form, a NUL at byte 125 then this byte
    uint8_t genre = 255;
    char pad = 0; // what fills the text fields after their text
};
Bytes Id3v1Tag(const Id3v1Fields& fields);

// `count` MPEG audio frames: the four header bytes, then zeros up to
// `length` bytes each.
Bytes MpegFrames(const uint8_t header[4], size_t length, int count);
Bytes Zeros(size_t count);
Bytes Concat(std::initializer_list<Bytes> parts);

} // namespace tb::test
