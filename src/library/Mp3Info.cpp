#include "library/Mp3Info.h"

#include "core/Exceptions.h"
#include "library/Id3Tag.h"
#include "library/Mp3ByteSource.h"
#include "library/Mp3HeaderSearch.h"
#include "library/Mp3TextFields.h"

#include <cstring>

namespace tb {
namespace {

struct FieldEntry {
    const char* name;
    String (Mp3Info::*value)() const;
};

constexpr FieldEntry Fields[Mp3Info::FieldCount] = {
    {"title", &Mp3Info::Title},
    {"album", &Mp3Info::Album},
    {"artist", &Mp3Info::Artist},
    {"genre", &Mp3Info::Genre},
    {"track", &Mp3Info::Track},
    {"year", &Mp3Info::Year},
    {"length", &Mp3Info::Length},
    {"bitrate", &Mp3Info::Bitrate},
    {"channelMode", &Mp3Info::ChannelMode},
    {"version", &Mp3Info::Version},
    {"layer", &Mp3Info::Layer},
    {"samplingRate", &Mp3Info::SamplingRate},
    {"privateBit", &Mp3Info::PrivateBit},
    {"modeExtension", &Mp3Info::ModeExtension},
    {"copyright", &Mp3Info::Copyright},
    {"original", &Mp3Info::Original},
    {"padding", &Mp3Info::Padding},
    {"emphasis", &Mp3Info::Emphasis},
    {"crcProtected", &Mp3Info::CrcProtected},
};

const FieldEntry& EntryAt(int index) {
    if (index < 0 || index >= Mp3Info::FieldCount)
        throw ArrayException();
    return Fields[index];
}

} // namespace

Mp3Info::Mp3Info(const String& path) {
    Mp3FileSource source(path);
    Analyse(source);
}

Mp3Info Mp3Info::FromBytes(const void* data, size_t n) {
    Mp3MemorySource source(data, n);
    Mp3Info info;
    info.Analyse(source);
    return info;
}

Mp3Info::Mp3Info(const Mp3Info& other)
    : seconds_(other.seconds_), hasHeader_(other.hasHeader_), header_(other.header_) {
    memcpy(textLengths_, other.textLengths_, sizeof textLengths_);
    if (other.texts_) {
        size_t total = 0;
        for (uint8_t length : textLengths_)
            total += length;
        texts_ = std::make_unique_for_overwrite<char[]>(total);
        memcpy(texts_.get(), other.texts_.get(), total);
    }
}

Mp3Info& Mp3Info::operator=(const Mp3Info& other) {
    if (this != &other)
        *this = Mp3Info(other);
    return *this;
}

Mp3Info::~Mp3Info() = default;

// Tags first: an ID3v2.2/2.3 tag, else the ID3v1 tag; then the frame header
// search, which starts after an ID3v2 tag that was read.
void Mp3Info::Analyse(Mp3ByteSource& source) {
    Mp3TextFields fields;
    uint64_t audioStart = 0;
    if (!ReadId3v2Tag(source, fields, audioStart))
        ReadId3v1Tag(source, fields);
    if (auto found = SearchMp3FrameHeader(source, audioStart)) {
        // The estimate replaces any TLEN text; kept as a number, it costs
        // no text space.
        hasHeader_ = true;
        header_ = found->header;
        seconds_ = found->seconds;
        fields.Clear(Mp3TextFields::Length);
    }
    Keep(fields);
}

void Mp3Info::Keep(const Mp3TextFields& fields) {
    static_assert(TextCount == Mp3TextFields::Count);
    static_assert(Mp3TextFields::MaxCapacity <= 256, "lengths are kept in bytes");
    size_t total = 0;
    for (int i = 0; i < TextCount; ++i) {
        textLengths_[i] = static_cast<uint8_t>(fields.LengthOf(static_cast<Mp3TextFields::Id>(i)));
        total += textLengths_[i];
    }
    if (total == 0)
        return;
    texts_ = std::make_unique_for_overwrite<char[]>(total);
    char* out = texts_.get();
    for (int i = 0; i < TextCount; ++i) {
        memcpy(out, fields.Get(static_cast<Mp3TextFields::Id>(i)), textLengths_[i]);
        out += textLengths_[i];
    }
}

std::string_view Mp3Info::TextView(int field) const {
    if (!texts_)
        return {};
    size_t offset = 0;
    for (int i = 0; i < field; ++i)
        offset += textLengths_[i];
    return {texts_.get() + offset, textLengths_[field]};
}

String Mp3Info::Text(int field) const {
    return String(TextView(field));
}

void Mp3Info::AppendLength(TextBuilder& out) const {
    if (hasHeader_)
        out.AppendNumber(seconds_);
    else
        out.Append(TextView(Mp3TextFields::Length));
}

void Mp3Info::AppendBitrate(TextBuilder& out) const {
    if (hasHeader_)
        out.AppendNumber(header_.Kbps());
}

std::string_view Mp3Info::TagText(Tag tag) const {
    static const int fields[] = {Mp3TextFields::Title, Mp3TextFields::Album, Mp3TextFields::Artist,
                                 Mp3TextFields::Genre, Mp3TextFields::Track, Mp3TextFields::Year};
    return TextView(fields[static_cast<int>(tag)]);
}

String Mp3Info::HeaderLabel(const char* (Mp3FrameHeader::*label)() const noexcept) const {
    return hasHeader_ ? String((header_.*label)()) : String();
}

String Mp3Info::HeaderBit(bool (Mp3FrameHeader::*bit)() const noexcept) const {
    if (!hasHeader_)
        return String();
    return (header_.*bit)() ? "1" : "0";
}

String Mp3Info::HeaderNumber(uint32_t (Mp3FrameHeader::*number)() const noexcept) const {
    return hasHeader_ ? String::FromUnsigned((header_.*number)()) : String();
}

String Mp3Info::Title() const {
    return Text(Mp3TextFields::Title);
}
String Mp3Info::Album() const {
    return Text(Mp3TextFields::Album);
}
String Mp3Info::Artist() const {
    return Text(Mp3TextFields::Artist);
}
String Mp3Info::Genre() const {
    return Text(Mp3TextFields::Genre);
}
String Mp3Info::Track() const {
    return Text(Mp3TextFields::Track);
}
String Mp3Info::Year() const {
    return Text(Mp3TextFields::Year);
}
String Mp3Info::Length() const {
    return hasHeader_ ? String::FromUnsigned(seconds_) : Text(Mp3TextFields::Length);
}
String Mp3Info::Bitrate() const {
    return HeaderNumber(&Mp3FrameHeader::Kbps);
}
String Mp3Info::ChannelMode() const {
    return HeaderLabel(&Mp3FrameHeader::ChannelModeLabel);
}
String Mp3Info::Version() const {
    return HeaderLabel(&Mp3FrameHeader::VersionLabel);
}
String Mp3Info::Layer() const {
    return HeaderLabel(&Mp3FrameHeader::LayerLabel);
}
String Mp3Info::SamplingRate() const {
    return HeaderNumber(&Mp3FrameHeader::SamplingRate);
}
String Mp3Info::PrivateBit() const {
    return HeaderBit(&Mp3FrameHeader::PrivateBit);
}
String Mp3Info::ModeExtension() const {
    return HeaderLabel(&Mp3FrameHeader::ModeExtensionLabel);
}
String Mp3Info::Copyright() const {
    return HeaderBit(&Mp3FrameHeader::Copyright);
}
String Mp3Info::Original() const {
    return HeaderBit(&Mp3FrameHeader::Original);
}
String Mp3Info::Padding() const {
    return HeaderBit(&Mp3FrameHeader::Padding);
}
String Mp3Info::Emphasis() const {
    return HeaderLabel(&Mp3FrameHeader::EmphasisLabel);
}
String Mp3Info::CrcProtected() const {
    return HeaderBit(&Mp3FrameHeader::CrcProtected);
}

const char* Mp3Info::FieldName(int index) {
    return EntryAt(index).name;
}

String Mp3Info::Field(int index) const {
    return (this->*EntryAt(index).value)();
}

} // namespace tb
