#pragma once

#include "core/String.h"
#include "library/Mp3Info.h"
#include "support/AudioTools.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace tb {

// Failure messages show a String's text.
inline void PrintTo(const String& text, std::ostream* out) {
    *out << '"' << text.View() << '"';
}

} // namespace tb

// Files for the library tests: audio made by lame, tags written by mutagen,
// and hand-built bytes for what neither tool writes (ID3v2.2, damaged tags,
// layer I and II frames).
namespace tb::test {

using Bytes = std::vector<uint8_t>;

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Runs Python with every public name of mutagen.id3 (ID3, TIT2, ...),
// `mutagen` and `path` (the file) defined, then BODY; true when it succeeded.
inline bool RunMutagen(const std::string& path, const std::string& body) {
    std::string script = path + ".py";
    std::ofstream(script) << "import sys\nimport mutagen.id3\n"
                          << "globals().update((name, getattr(mutagen.id3, name))\n"
                          << "                 for name in dir(mutagen.id3) if name[0] != '_')\n"
                          << "path = sys.argv[1]\n"
                          << body << "\n";
    bool ok =
        std::system(
            (MutagenPython() + " " + ShellQuote(script) + " " + ShellQuote(path)).c_str()) == 0;
    std::remove(script.c_str());
    return ok;
}

// Hand-built ID3v2 tags: the tag size written 7 bits per byte, frame sizes as
// plain big-endian numbers; a size other than the data's makes a damaged tag
// or frame.
inline Bytes Id3v2Tag(uint8_t major, uint8_t flags, const Bytes& body, int64_t size = -1) {
    uint32_t n = static_cast<uint32_t>(size < 0 ? body.size() : size);
    return Concat({{'I', 'D', '3', major, 0, flags, static_cast<uint8_t>(n >> 21 & 0x7F),
                    static_cast<uint8_t>(n >> 14 & 0x7F), static_cast<uint8_t>(n >> 7 & 0x7F),
                    static_cast<uint8_t>(n & 0x7F)},
                   body});
}

inline Bytes Id3v23Frame(const std::string& id, const Bytes& data, int64_t size = -1) {
    uint32_t n = static_cast<uint32_t>(size < 0 ? data.size() : size);
    Bytes frame(id.begin(), id.end());
    for (int shift : {24, 16, 8, 0})
        frame.push_back(static_cast<uint8_t>(n >> shift));
    return Concat({frame, {0, 0}, data});
}

inline Bytes Id3v22Frame(const std::string& id, const Bytes& data) {
    Bytes frame(id.begin(), id.end());
    for (int shift : {16, 8, 0})
        frame.push_back(static_cast<uint8_t>(data.size() >> shift));
    return Concat({frame, data});
}

// Text frame data: an encoding byte of 0 (Latin-1), then the text.
inline Bytes Latin1(const std::string& text) {
    return Concat({{0}, Bytes(text.begin(), text.end())});
}

struct Id3v1Fields {
    std::string title, artist, album, year;
    std::string comment; // up to 30 bytes, NUL-padded
    int track = -1;      // >= 0: the v1.1 form, a NUL at byte 125 then this byte
    uint8_t genre = 255;
    char pad = 0; // what fills the text fields after their text
};

inline Bytes Id3v1Tag(const Id3v1Fields& f) {
    Bytes tag = {'T', 'A', 'G'};
    auto put = [&tag](const std::string& text, size_t width, char pad) {
        for (size_t i = 0; i < width; ++i)
            tag.push_back(static_cast<uint8_t>(i < text.size() ? text[i] : pad));
    };
    put(f.title, 30, f.pad);
    put(f.artist, 30, f.pad);
    put(f.album, 30, f.pad);
    put(f.year, 4, f.pad);
    put(f.comment, 30, '\0');
    if (f.track >= 0) {
        tag[125] = 0;
        tag[126] = static_cast<uint8_t>(f.track);
    }
    tag.push_back(f.genre);
    return tag;
}

// `count` MPEG audio frames: the four header bytes, then zeros up to
// `length` bytes each.
inline Bytes MpegFrames(const uint8_t header[4], size_t length, int count) {
    Bytes frames;
    for (int i = 0; i < count; ++i) {
        frames.insert(frames.end(), header, header + 4);
        frames.resize(frames.size() + length - 4, 0);
    }
    return frames;
}

// The non-empty fields from title to length, and the layer when a frame
// header was found, as "name=value|...".
inline std::string Tags(const Mp3Info& info) {
    std::string text;
    for (int i : {0, 1, 2, 3, 4, 5, 6, 10})
        if (!info.Field(i).IsEmpty())
            text += std::string(Mp3Info::FieldName(i)) + "=" + info.Field(i).c_str() + "|";
    return text;
}

// The frame header fields from bit rate to CRC, in table order, as "a|b|...".
inline std::string Header(const Mp3Info& info) {
    std::string text;
    for (int i = 7; i < Mp3Info::FieldCount; ++i)
        text += std::string(info.Field(i).View()) + (i + 1 < Mp3Info::FieldCount ? "|" : "");
    return text;
}

// The play-time estimate: bytes still uncounted after the chunk of 1800 that
// confirmed the header, out of a count that starts at the whole file size,
// at the header's bit rate, in 32-bit arithmetic.
inline std::string Estimate(uint64_t fileSize, uint32_t kbps, uint32_t chunksRead = 1) {
    uint32_t count = static_cast<uint32_t>(fileSize) - chunksRead * 1800;
    return std::to_string(count * 8u / (kbps * 1000u));
}

} // namespace tb::test
