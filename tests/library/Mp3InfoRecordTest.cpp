#include "library/Mp3Info.h"
#include "library/Mp3TestFiles.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace tb {
namespace {

using test::Bytes;
using test::Concat;

// MPEG-1 layer II, 192 kbps, 48000 Hz, joint stereo, original.
const uint8_t Layer2[4] = {0xFF, 0xFD, 0xA4, 0x44};

Bytes TaggedFrames() {
    Bytes frames = Concat({
        test::Id3v23Frame("TIT2", test::Latin1("Title")),
        test::Id3v23Frame("TALB", test::Latin1("Album")),
        test::Id3v23Frame("TPE1", test::Latin1("Artist")),
        test::Id3v23Frame("TCON", test::Latin1("(17)")),
        test::Id3v23Frame("TRCK", test::Latin1("1")),
        test::Id3v23Frame("TYER", test::Latin1("2000")),
    });
    return Concat({test::Id3v2Tag(3, 0, frames), test::MpegFrames(Layer2, 576, 40)});
}

TEST(Mp3InfoRecordTest, FieldNamesInTableOrder) {
    const char* names[] = {"title",    "album",        "artist",     "genre",         "track",
                           "year",     "length",       "bitrate",    "channelMode",   "version",
                           "layer",    "samplingRate", "privateBit", "modeExtension", "copyright",
                           "original", "padding",      "emphasis",   "crcProtected"};
    ASSERT_EQ(Mp3Info::FieldCount, 19);
    for (int i = 0; i < Mp3Info::FieldCount; ++i)
        EXPECT_STREQ(Mp3Info::FieldName(i), names[i]);
    EXPECT_THROW(Mp3Info::FieldName(-1), ArrayException);
    EXPECT_THROW(Mp3Info::FieldName(19), ArrayException);
}

TEST(Mp3InfoRecordTest, FieldsByIndexMatchTheAccessors) {
    Bytes file = TaggedFrames();
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    const String values[] = {
        info.Title(),       info.Album(),         info.Artist(),      info.Genre(),
        info.Track(),       info.Year(),          info.Length(),      info.Bitrate(),
        info.ChannelMode(), info.Version(),       info.Layer(),       info.SamplingRate(),
        info.PrivateBit(),  info.ModeExtension(), info.Copyright(),   info.Original(),
        info.Padding(),     info.Emphasis(),      info.CrcProtected()};
    for (int i = 0; i < Mp3Info::FieldCount; ++i)
        EXPECT_EQ(info.Field(i), values[i]) << Mp3Info::FieldName(i);
    EXPECT_EQ(info.Genre(), "Rock");
    EXPECT_EQ(info.ChannelMode(), "Joint stereo");
    EXPECT_EQ(info.ModeExtension(), "00");
    EXPECT_EQ(info.Original(), "1");
    EXPECT_THROW(info.Field(19), ArrayException);
}

TEST(Mp3InfoRecordTest, FileAndMemoryGiveTheSameRecord) {
    test::TempDir dir;
    std::string path = dir / "song.mp3";
    Bytes file = TaggedFrames();
    test::WriteBytes(path, file);
    Mp3Info fromFile(String(path.c_str()));
    Mp3Info fromMemory = Mp3Info::FromBytes(file.data(), file.size());
    for (int i = 0; i < Mp3Info::FieldCount; ++i)
        EXPECT_EQ(fromFile.Field(i), fromMemory.Field(i)) << Mp3Info::FieldName(i);
}

TEST(Mp3InfoRecordTest, CopiesAndMovesKeepTheFields) {
    Bytes file = TaggedFrames();
    Mp3Info original = Mp3Info::FromBytes(file.data(), file.size());
    Mp3Info copy = original;
    Mp3Info assigned = Mp3Info::FromBytes(nullptr, 0);
    assigned = original;
    Mp3Info moved = std::move(copy);
    for (int i = 0; i < Mp3Info::FieldCount; ++i) {
        EXPECT_EQ(assigned.Field(i), original.Field(i));
        EXPECT_EQ(moved.Field(i), original.Field(i));
    }
}

TEST(Mp3InfoRecordTest, RecordIsSmall) {
    // One per song in the index: the texts live in one allocation beside it.
    EXPECT_LE(sizeof(Mp3Info), 32u);
}

TEST(Mp3InfoRecordTest, ReadFromSeveralThreads) {
    Bytes file = TaggedFrames();
    const Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&info] {
            for (int round = 0; round < 200; ++round) {
                for (int i = 0; i < Mp3Info::FieldCount; ++i)
                    info.Field(i);
            }
        });
    }
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(info.Title(), "Title");
}

} // namespace
} // namespace tb
