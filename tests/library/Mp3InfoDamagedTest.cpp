#include "library/Mp3Info.h"
#include "library/Mp3TestFiles.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tb {
namespace {

using test::Bytes;
using test::Concat;
using test::Id3v23Frame;
using test::Id3v23FrameWithSize;
using test::Latin1;

Mp3Info FromBytes(const Bytes& bytes) {
    return Mp3Info::FromBytes(bytes.data(), bytes.size());
}

void ExpectAllEmpty(const Mp3Info& info) {
    for (int i = 0; i < Mp3Info::FieldCount; ++i)
        EXPECT_EQ(info.Field(i), "") << Mp3Info::FieldName(i);
}

Bytes Id3v1WithTitle(const std::string& title) {
    test::Id3v1Fields fields;
    fields.title = title;
    fields.genre = 13;
    return test::Id3v1Tag(fields);
}

// MPEG-1 layer II, 192 kbps, 48000 Hz: 576-byte frames.
const uint8_t Layer2[4] = {0xFF, 0xFD, 0xA4, 0x00};

TEST(Mp3InfoDamagedTest, FilesOfZeroToThreeBytes) {
    const Bytes files[] = {
        {}, {0xFF}, {0xFF, 0xFB}, {0xFF, 0xFB, 0x90}, {'I', 'D', '3'}, {'T', 'A', 'G'}};
    test::TempDir dir;
    for (const Bytes& bytes : files) {
        ExpectAllEmpty(FromBytes(bytes));
        std::string path = dir / "short.mp3";
        test::WriteBytes(path, bytes);
        ExpectAllEmpty(Mp3Info(String(path.c_str())));
    }
    ExpectAllEmpty(Mp3Info::FromBytes(nullptr, 0));
}

TEST(Mp3InfoDamagedTest, NoSyncByteMeansNoHeader) {
    Bytes file(5000, 0x55);
    ExpectAllEmpty(FromBytes(file));
}

TEST(Mp3InfoDamagedTest, EmptyTagIsStillATag) {
    // A tag of size 0 is read; the ID3v1 tag is then not looked at.
    Bytes file = Concat({test::Id3v2Tag(3, 0, {}), Id3v1WithTitle("v1")});
    ExpectAllEmpty(FromBytes(file));
}

TEST(Mp3InfoDamagedTest, TagSizePastTheEndOfTheFile) {
    Bytes frames = Id3v23Frame("TIT2", Latin1("lost"));
    for (uint32_t size : {uint32_t{100000}, uint32_t{0x0FFFFFFF}}) {
        Bytes file = Concat({test::Id3v2TagWithSize(3, 0, size, frames),
                             test::MpegFrames(Layer2, 576, 4), Id3v1WithTitle("from v1")});
        Mp3Info info = FromBytes(file);
        EXPECT_EQ(info.Title(), "from v1");
        EXPECT_EQ(info.Genre(), "Pop");
        // The search starts at byte 0 and finds no header: the tag bytes
        // hold none, and the frames start at byte 25.
        EXPECT_EQ(info.Layer(), "II");
    }
}

TEST(Mp3InfoDamagedTest, SyncsafeBytesWithTheTopBitSet) {
    // 0xFF in each size byte: taken 7 bits each, 256 MiB - 1, past the end.
    Bytes header = {'I', 'D', '3', 3, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    Bytes file = Concat({header, Id3v23Frame("TIT2", Latin1("lost")), Id3v1WithTitle("v1")});
    EXPECT_EQ(FromBytes(file).Title(), "v1");
}

TEST(Mp3InfoDamagedTest, TagCutShortInTheHeader) {
    Bytes file = {'I', 'D', '3', 3, 0, 0, 0, 0};
    ExpectAllEmpty(FromBytes(file));
}

TEST(Mp3InfoDamagedTest, UnknownVersionsAndFlagsFallBackToId3v1) {
    Bytes frames = Id3v23Frame("TIT2", Latin1("v2"));
    const std::pair<uint8_t, uint8_t> headers[] = {{4, 0},    {5, 0},    {0, 0},
                                                   {3, 0x01}, {3, 0x08}, {2, 0x0F}};
    for (auto [major, flags] : headers) {
        Bytes file = Concat({test::Id3v2Tag(major, flags, frames), Id3v1WithTitle("v1")});
        EXPECT_EQ(FromBytes(file).Title(), "v1") << int{major} << " " << int{flags};
    }
}

TEST(Mp3InfoDamagedTest, FrameRunningPastTheTag) {
    // The last frame claims far more than the tag holds: its text is what
    // is left of the tag.
    Bytes frames = Concat({Id3v23Frame("TALB", Latin1("album")),
                           Id3v23FrameWithSize("TIT2", 0xFFFFFFF0, Latin1("abc"))});
    Bytes file = Concat({test::Id3v2Tag(3, 0, frames), test::MpegFrames(Layer2, 576, 8)});
    Mp3Info info = FromBytes(file);
    EXPECT_EQ(info.Album(), "album");
    EXPECT_EQ(info.Title(), "abc");
    EXPECT_EQ(info.Layer(), "II");
}

TEST(Mp3InfoDamagedTest, FrameRunningPastTheTagIsStillCutToTheField) {
    Bytes frames = Id3v23FrameWithSize("TIT2", 5000, Latin1(std::string(150, 'x')));
    Bytes file = test::Id3v2Tag(3, 0, frames);
    EXPECT_EQ(FromBytes(file).Title(), String(std::string(99, 'x')));
}

TEST(Mp3InfoDamagedTest, FrameWithOnlyItsHeaderInTheTag) {
    Bytes frames =
        Concat({Id3v23Frame("TALB", Latin1("album")), Id3v23FrameWithSize("TIT2", 5, {})});
    Mp3Info info = FromBytes(test::Id3v2Tag(3, 0, frames));
    EXPECT_EQ(info.Album(), "album");
    EXPECT_EQ(info.Title(), "");
}

TEST(Mp3InfoDamagedTest, FrameHeaderCutOffByTheTagEnd) {
    Bytes frames =
        Concat({Id3v23Frame("TALB", Latin1("album")), test::Text(std::string("TIT2\0\0", 6))});
    Mp3Info info = FromBytes(test::Id3v2Tag(3, 0, frames));
    EXPECT_EQ(info.Album(), "album");
    EXPECT_EQ(info.Title(), "");
    Bytes v22 =
        Concat({test::Id3v22Frame("TAL", Latin1("old")), test::Text(std::string("TT2\0", 4))});
    EXPECT_EQ(FromBytes(test::Id3v2Tag(2, 0, v22)).Album(), "old");
}

TEST(Mp3InfoDamagedTest, ZeroLengthFrames) {
    Bytes frames = Concat({Id3v23Frame("TIT2", Latin1("first")), Id3v23Frame("TIT2", {}),
                           Id3v23Frame("TPE1", {}), Id3v23Frame("TALB", Latin1("after"))});
    Mp3Info info = FromBytes(test::Id3v2Tag(3, 0, frames));
    EXPECT_EQ(info.Title(), "");
    EXPECT_EQ(info.Artist(), "");
    EXPECT_EQ(info.Album(), "after");
}

TEST(Mp3InfoDamagedTest, FrameWalkStopsAtAZeroByte) {
    Bytes frames = Concat({Id3v23Frame("TIT2", Latin1("seen")), test::Zeros(20),
                           Id3v23Frame("TALB", Latin1("unseen"))});
    Mp3Info info = FromBytes(test::Id3v2Tag(3, 0, frames));
    EXPECT_EQ(info.Title(), "seen");
    EXPECT_EQ(info.Album(), "");
}

TEST(Mp3InfoDamagedTest, ExtendedHeaderPastTheTagEnd) {
    // Still a tag that was read: no frames, and no ID3v1 fallback.
    Bytes body = Concat({{0x7F, 0xFF, 0xFF, 0xFF, 0, 0}, Id3v23Frame("TIT2", Latin1("hidden"))});
    Bytes file = Concat({test::Id3v2Tag(3, 0x40, body), Id3v1WithTitle("v1")});
    EXPECT_EQ(FromBytes(file).Title(), "");
    Bytes tiny = Concat({test::Id3v2Tag(3, 0x40, {0, 0}), Id3v1WithTitle("v1")});
    EXPECT_EQ(FromBytes(tiny).Title(), "");
}

TEST(Mp3InfoDamagedTest, Id3v22FlagBit6IsNotAnExtendedHeader) {
    Bytes frames = test::Id3v22Frame("TT2", Latin1("two"));
    EXPECT_EQ(FromBytes(test::Id3v2Tag(2, 0x40, frames)).Title(), "two");
}

TEST(Mp3InfoDamagedTest, UnsynchronisationAtTheTagEnd) {
    Bytes frames = Concat({Id3v23Frame("TIT2", Latin1("t")), {0xFF}});
    EXPECT_EQ(FromBytes(test::Id3v2Tag(3, 0x80, frames)).Title(), "t");
    Bytes onlyMarks(50, 0xFF);
    ExpectAllEmpty(FromBytes(test::Id3v2Tag(3, 0x80, onlyMarks)));
}

TEST(Mp3InfoDamagedTest, Id3v1TagOfAFileOfExactly128Bytes) {
    Mp3Info info = FromBytes(Id3v1WithTitle("alone"));
    EXPECT_EQ(info.Title(), "alone");
    EXPECT_EQ(info.Genre(), "Pop");
    Bytes cut = Id3v1WithTitle("alone");
    cut.pop_back();
    ExpectAllEmpty(FromBytes(cut));
}

TEST(Mp3InfoDamagedTest, MissingFileCannotBeOpened) {
    test::TempDir dir;
    try {
        Mp3Info info(String((dir / "missing.mp3").c_str()));
        FAIL() << "no exception";
    } catch (const Mp3FileException& e) {
        EXPECT_EQ(e.Value(), ENOENT);
    }
}

TEST(Mp3InfoDamagedTest, DirectoryCannotBeOpened) {
    test::TempDir dir;
    EXPECT_THROW(Mp3Info(String(dir.Path().c_str())), Mp3FileException);
}

TEST(Mp3InfoDamagedTest, FifoIsRefusedWithoutWaitingForAWriter) {
    test::TempDir dir;
    std::string path = dir / "pipe.mp3";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_THROW(Mp3Info(String(path.c_str())), Mp3FileException);
}

TEST(Mp3InfoDamagedTest, NameWithANulInsideCannotBeOpened) {
    test::TempDir dir;
    std::string path = dir / "a.mp3";
    test::WriteBytes(path, Id3v1WithTitle("t"));
    std::string withNul = path + std::string("\0.x", 3);
    EXPECT_THROW(Mp3Info(String(withNul)), Mp3FileException);
}

// Root reads any file, so the reading is done by a child that has given up
// root first (CI runs as root).
TEST(Mp3InfoDamagedTest, UnreadableFile) {
    test::TempDir dir;
    std::string path = dir / "locked.mp3";
    test::WriteBytes(path, Id3v1WithTitle("locked"));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && setresuid(65534, 65534, 65534) != 0)
            _exit(2);
        try {
            Mp3Info info{String(path.c_str())};
        } catch (const Mp3FileException&) {
            _exit(0);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

} // namespace
} // namespace tb
