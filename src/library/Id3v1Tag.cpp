#include "library/Id3Genres.h"
#include "library/Id3Tag.h"

#include <cstring>

namespace tb {
namespace {

constexpr size_t TagSize = 128;

// A fixed-width tag text: ends at a NUL, trailing spaces dropped.
void SetPadded(Mp3TextFields& fields, Mp3TextFields::Id field, const uint8_t* bytes, size_t width) {
    size_t length = strnlen(reinterpret_cast<const char*>(bytes), width);
    while (length > 0 && bytes[length - 1] == ' ')
        --length;
    fields.Set(field, bytes, length);
}

} // namespace

bool ReadId3v1Tag(Mp3ByteSource& source, Mp3TextFields& fields) {
    uint64_t size = source.Size();
    uint8_t tag[TagSize];
    if (size < TagSize || source.ReadAt(size - TagSize, tag, TagSize) != TagSize ||
        memcmp(tag, "TAG", 3) != 0)
        return false;
    SetPadded(fields, Mp3TextFields::Title, tag + 3, 30);
    SetPadded(fields, Mp3TextFields::Artist, tag + 33, 30);
    SetPadded(fields, Mp3TextFields::Album, tag + 63, 30);
    SetPadded(fields, Mp3TextFields::Year, tag + 93, 4);
    // Only the v1.1 form carries a track: a NUL ending a 28-byte comment,
    // then the number. A full or space-padded comment has no track.
    if (tag[125] == 0 && tag[126] != 0)
        fields.SetNumber(Mp3TextFields::Track, tag[126]);
    const char* genre = Id3GenreName(tag[127]);
    fields.Set(Mp3TextFields::Genre, genre != nullptr ? genre : "Unknown");
    return true;
}

} // namespace tb
