#pragma once

#include "core/String.h"
#include "core/TextBuilder.h"
#include "library/Mp3FileException.h"
#include "library/Mp3FrameHeader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace tb {

class Mp3ByteSource;
class Mp3TextFields;

// What one MP3 file tells about itself: the texts of its ID3v2.2/2.3 tag (or,
// without one, of its ID3v1 tag) and the first MPEG audio frame header of
// its audio data. Every field is a text, empty when the file does not supply
// it, and never longer than songs have always shown: title, album and artist
// 99 characters, genre 39, track and length 19, year 7, the header labels as
// listed by the accessors.
//
// Filled once at construction, read-only afterwards: the const accessors may
// run on several threads at once. The index keeps one per song, so the record
// is small: the tag texts share one allocation, and the header fields and
// the length are derived from the three stored header bytes and a number
// when asked.
class Mp3Info {
public:
    // Reads the file with a few positioned reads. Throws Mp3FileException when
    // it cannot be opened or is not a regular file; a damaged or unrecognised
    // file gives empty fields, and nothing else throws.
    explicit Mp3Info(const String& path);
    // The same analysis over bytes in memory.
    static Mp3Info FromBytes(const void* data, size_t n);

    Mp3Info(const Mp3Info& other);
    Mp3Info& operator=(const Mp3Info& other);
    Mp3Info(Mp3Info&& other) noexcept = default;
    Mp3Info& operator=(Mp3Info&& other) noexcept = default;
    ~Mp3Info();

    // The six tag texts without a copy, for answers built in one buffer.
    enum class Tag { Title, Album, Artist, Genre, Track, Year };
    std::string_view TagText(Tag tag) const;
    // Length() and Bitrate() written into an answer being built.
    void AppendLength(TextBuilder& out) const;
    void AppendBitrate(TextBuilder& out) const;

    String Title() const;
    String Album() const;
    String Artist() const;
    String Genre() const;
    String Track() const;
    String Year() const;
    // Seconds, estimated from the bit rate, when a frame header was found;
    // otherwise the tag's TLEN text.
    String Length() const;
    String Bitrate() const;       // kilobits per second
    String ChannelMode() const;   // "Stereo", "Joint stereo", "Dual channel", "Single channel"
    String Version() const;       // "1", "2", "2.5"
    String Layer() const;         // "I", "II", "III"
    String SamplingRate() const;  // hertz
    String PrivateBit() const;    // "1" or "0", as are the other bits below
    String ModeExtension() const; // "00" to "11"
    String Copyright() const;
    String Original() const;
    String Padding() const;
    String Emphasis() const; // "none", "50/15 ms", "reserved", "CCIT J.17"
    String CrcProtected() const;

    // The fields in table order, by name ("title", ..., "crcProtected") and
    // value. Both throw ArrayException outside 0..FieldCount-1.
    static constexpr int FieldCount = 19;
    static const char* FieldName(int index);
    String Field(int index) const;

private:
    static constexpr int TextCount = 7; // title to length, in that order

    Mp3Info() noexcept = default;
    void Analyse(Mp3ByteSource& source);
    void Keep(const Mp3TextFields& fields);
    String Text(int field) const;
    std::string_view TextView(int field) const;
    String HeaderLabel(const char* (Mp3FrameHeader::*label)() const noexcept) const;
    String HeaderBit(bool (Mp3FrameHeader::*bit)() const noexcept) const;
    String HeaderNumber(uint32_t (Mp3FrameHeader::*number)() const noexcept) const;

    // The tag texts back to back without terminators; null when all are empty.
    std::unique_ptr<char[]> texts_;
    uint32_t seconds_ = 0; // the length, when a frame header was found
    uint8_t textLengths_[TextCount] = {};
    bool hasHeader_ = false;
    Mp3FrameHeader header_;
};

} // namespace tb
