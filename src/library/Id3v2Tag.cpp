#include "library/Id3Genres.h"
#include "library/Id3Tag.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

namespace tb {
namespace {

using Field = Mp3TextFields::Id;

constexpr size_t TagHeaderSize = 10;
constexpr uint8_t UnsynchronisationFlag = 0x80;
constexpr uint8_t ExtendedHeaderFlag = 0x40;
constexpr uint8_t UnknownFlags = 0x0F;

struct FrameTarget {
    char id[5];
    Field field;
};

constexpr FrameTarget ThreeLetterTargets[] = {
    {"TT2", Mp3TextFields::Title},  {"TAL", Mp3TextFields::Album}, {"TP1", Mp3TextFields::Artist},
    {"TRK", Mp3TextFields::Track},  {"TCO", Mp3TextFields::Genre}, {"TYE", Mp3TextFields::Year},
    {"TLE", Mp3TextFields::Length},
};

constexpr FrameTarget FourLetterTargets[] = {
    {"TIT2", Mp3TextFields::Title},  {"TALB", Mp3TextFields::Album},
    {"TPE1", Mp3TextFields::Artist}, {"TRCK", Mp3TextFields::Track},
    {"TCON", Mp3TextFields::Genre},  {"TYER", Mp3TextFields::Year},
    {"TDRL", Mp3TextFields::Year},   {"TLEN", Mp3TextFields::Length},
};

// ID3v2.2 frames have 3-byte IDs and sizes, ID3v2.3 frames 4-byte IDs and
// sizes plus two flag bytes; both sizes are plain big-endian numbers.
struct FrameLayout {
    size_t idSize;
    size_t headerSize;
    const FrameTarget* targets;
    size_t targetCount;
};

constexpr FrameLayout ThreeLetterLayout{3, 6, ThreeLetterTargets, std::size(ThreeLetterTargets)};
constexpr FrameLayout FourLetterLayout{4, 10, FourLetterTargets, std::size(FourLetterTargets)};

// The tag size in the tag header is the only number stored 7 bits per byte.
uint32_t SyncsafeNumber(const uint8_t* bytes) {
    return uint32_t{bytes[0] & 0x7Fu} << 21 | uint32_t{bytes[1] & 0x7Fu} << 14 |
           uint32_t{bytes[2] & 0x7Fu} << 7 | (bytes[3] & 0x7Fu);
}

uint32_t BigEndianNumber(const uint8_t* bytes, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// Undoes unsynchronisation in place: drops each 0x00 that follows a 0xFF
// of the stored tag. Returns the new length.
size_t Resynchronise(uint8_t* bytes, size_t length) {
    size_t kept = 0;
    uint8_t previous = 0;
    for (size_t i = 0; i < length; ++i) {
        uint8_t byte = bytes[i];
        if (previous != 0xFF || byte != 0)
            bytes[kept++] = byte;
        previous = byte;
    }
    return kept;
}

// Frames of a v2.3 tag with an extended header start after it: its size
// field plus the four bytes of that field.
uint64_t FirstFrame(const uint8_t* tag, size_t length) {
    if (length < 4)
        return length;
    return 4 + uint64_t{BigEndianNumber(tag, 4)};
}

const FrameTarget* FindTarget(const uint8_t* frame, const FrameLayout& layout) {
    for (size_t i = 0; i < layout.targetCount; ++i) {
        if (memcmp(frame, layout.targets[i].id, layout.idSize) == 0)
            return &layout.targets[i];
    }
    return nullptr;
}

// A genre text "(code)..." becomes the code's name when the code is 0-125;
// "()" counts as code 0. Other texts, plain numbers among them, stay.
void ApplyGenreCode(Mp3TextFields& fields) {
    const char* text = fields.Get(Mp3TextFields::Genre);
    if (text[0] != '(')
        return;
    uint32_t code = 0;
    size_t i = 1;
    for (; text[i] >= '0' && text[i] <= '9'; ++i) {
        if (code < Id3GenreCount) // stays out of range once it is, without overflow
            code = code * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    const char* name = Id3GenreName(code);
    if (text[i] == ')' && name != nullptr)
        fields.Set(Mp3TextFields::Genre, name);
}

// Only Latin-1 text (encoding byte 0) is taken; any other encoding empties
// the field. The copy stops at the field's capacity and at the tag's end.
void CopyText(const uint8_t* tag, size_t length, uint64_t data, uint32_t size, Field field,
              Mp3TextFields& fields) {
    size_t n = std::min<size_t>(size, Mp3TextFields::Capacity[field]);
    if (n == 0 || data >= length || tag[data] != 0) {
        fields.Clear(field);
        return;
    }
    size_t available = length - static_cast<size_t>(data) - 1;
    fields.Set(field, tag + data + 1, std::min(n - 1, available));
    if (field == Mp3TextFields::Genre)
        ApplyGenreCode(fields);
}

void ReadFrames(const uint8_t* tag, size_t length, uint64_t position, const FrameLayout& layout,
                Mp3TextFields& fields) {
    while (position < length && tag[position] != 0) {
        if (length - position < layout.headerSize)
            return; // a frame header cut off by the end of the tag
        const uint8_t* frame = tag + position;
        uint32_t size = BigEndianNumber(frame + layout.idSize, layout.idSize);
        uint64_t data = position + layout.headerSize;
        if (const FrameTarget* target = FindTarget(frame, layout))
            CopyText(tag, length, data, size, target->field, fields);
        position = data + size;
    }
}

const FrameLayout* LayoutOf(uint8_t majorVersion) {
    if (majorVersion == 2)
        return &ThreeLetterLayout;
    if (majorVersion == 3)
        return &FourLetterLayout;
    return nullptr;
}

} // namespace

bool ReadId3v2Tag(Mp3ByteSource& source, Mp3TextFields& fields, uint64_t& audioStart) {
    audioStart = 0;
    uint8_t header[TagHeaderSize];
    if (source.ReadAt(0, header, sizeof header) != sizeof header || memcmp(header, "ID3", 3) != 0)
        return false;
    const FrameLayout* layout = LayoutOf(header[3]);
    uint8_t flags = header[5];
    if (layout == nullptr || (flags & UnknownFlags) != 0)
        return false;
    uint32_t size = SyncsafeNumber(header + 6);
    // A tag said to run past the end of the file would be read short.
    if (source.Size() < TagHeaderSize + uint64_t{size})
        return false;
    auto tag = std::make_unique_for_overwrite<uint8_t[]>(size);
    if (source.ReadAt(TagHeaderSize, tag.get(), size) != size)
        return false;
    size_t length = size;
    if ((flags & UnsynchronisationFlag) != 0)
        length = Resynchronise(tag.get(), length);
    uint64_t first = 0;
    if (layout == &FourLetterLayout && (flags & ExtendedHeaderFlag) != 0)
        first = FirstFrame(tag.get(), length);
    ReadFrames(tag.get(), length, first, *layout, fields);
    audioStart = TagHeaderSize + size;
    return true;
}

} // namespace tb
