#include "library/Mp3Info.h"
#include "library/Mp3TestFiles.h"
#include "support/RequireTool.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace tb {
namespace {

using test::Bytes;
using test::Concat;

// The tone every tagged file starts from: 4 s of MPEG-1 layer III at
// 128 kbps, 44100 Hz, made by lame once for the suite.
class Mp3InfoTagTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!test::HaveLame())
            return;
        suiteDir_ = std::make_unique<test::TempDir>();
        std::string wav = *suiteDir_ / "tone.wav";
        test::WriteToneWav(wav, 44100, 2, 4);
        if (test::RunLame("-b 128", wav, *suiteDir_ / "tone.mp3"))
            toneSize_ = test::FileSize(*suiteDir_ / "tone.mp3");
    }

    static void TearDownTestSuite() { suiteDir_.reset(); }

    void SetUp() override {
        TB_REQUIRE_TOOL(test::HaveLame() && test::HaveMutagen(), "lame or python3-mutagen");
        ASSERT_NE(toneSize_, 0u) << "lame failed";
    }

    std::string CopyOfTone(const std::string& name) {
        std::string path = dir_ / name;
        std::filesystem::copy_file(*suiteDir_ / "tone.mp3", path);
        return path;
    }

    // The tone tagged by a mutagen script.
    std::string Tagged(const std::string& script, const std::string& name = "song.mp3") {
        std::string path = CopyOfTone(name);
        EXPECT_TRUE(test::RunMutagen(path, script));
        return path;
    }

    static Mp3Info Read(const std::string& path) { return Mp3Info(String(path.c_str())); }

    // The estimate for a tone whose frames start in the first chunk read.
    static String ToneSeconds(const std::string& path, uint32_t chunksRead = 1) {
        uint32_t count = static_cast<uint32_t>(test::FileSize(path)) - chunksRead * 1800;
        return String::FromUnsigned(count * 8u / 128000u);
    }

    static std::unique_ptr<test::TempDir> suiteDir_;
    static uint64_t toneSize_;
    test::TempDir dir_;
};

std::unique_ptr<test::TempDir> Mp3InfoTagTest::suiteDir_;
uint64_t Mp3InfoTagTest::toneSize_ = 0;

// The tag size written in a tag header, 7 bits per byte.
uint32_t WrittenTagSize(const Bytes& file) {
    return uint32_t{file[6]} << 21 | uint32_t{file[7]} << 14 | uint32_t{file[8]} << 7 | file[9];
}

Bytes WithTagSize(Bytes tagHeader, uint32_t size) {
    for (int i = 0; i < 4; ++i)
        tagHeader[9 - i] = static_cast<uint8_t>((size >> (7 * i)) & 0x7F);
    return tagHeader;
}

// Unsynchronisation as ID3v2.3 writers apply it: a 0x00 after every 0xFF
// that is followed by 0x00 or by three set top bits, or that ends the tag.
Bytes Unsynchronised(const Bytes& body) {
    Bytes out;
    for (size_t i = 0; i < body.size(); ++i) {
        out.push_back(body[i]);
        bool last = i + 1 == body.size();
        if (body[i] == 0xFF && (last || body[i + 1] == 0 || (body[i + 1] & 0xE0) == 0xE0))
            out.push_back(0);
    }
    return out;
}

TEST_F(Mp3InfoTagTest, Id3v23TextFrames) {
    std::string path = Tagged(R"(
t = ID3()
t.add(TIT2(encoding=0, text=["Song Title"]))
t.add(TALB(encoding=0, text=["The Album"]))
t.add(TPE1(encoding=0, text=["An Artist"]))
t.add(TRCK(encoding=0, text=["3/12"]))
t.add(TCON(encoding=0, text=["Jazz"]))
t.add(TYER(encoding=0, text=["1998"]))
t.add(TLEN(encoding=0, text=["4000"]))
t.save(path, v2_version=3)
)");
    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "Song Title");
    EXPECT_EQ(info.Album(), "The Album");
    EXPECT_EQ(info.Artist(), "An Artist");
    EXPECT_EQ(info.Track(), "3/12");
    EXPECT_EQ(info.Genre(), "Jazz");
    EXPECT_EQ(info.Year(), "1998");
    // The TLEN text gives way to the estimate from the frame header.
    EXPECT_EQ(info.Length(), ToneSeconds(path));
    EXPECT_EQ(info.Bitrate(), "128");
    EXPECT_EQ(info.SamplingRate(), "44100");
}

TEST_F(Mp3InfoTagTest, Id3v23TagWinsOverId3v1EvenWithoutGenre) {
    std::string tagOnly = dir_ / "tag.bin";
    test::WriteBytes(tagOnly, {});
    ASSERT_TRUE(test::RunMutagen(tagOnly, R"(
t = ID3()
t.add(TIT2(encoding=0, text=["V2 Title"]))
t.save(path, v2_version=3, v1=0)
)"));
    std::string wav = dir_ / "tone.wav";
    std::string v1Song = dir_ / "v1.mp3";
    test::WriteToneWav(wav, 44100, 2, 1);
    ASSERT_TRUE(test::RunLame("-b 128 --id3v1-only --tt 'V1 Title' --ta 'V1 Artist' --tg Rock", wav,
                              v1Song));
    std::string path = dir_ / "both.mp3";
    test::WriteBytes(path, Concat({test::ReadBytes(tagOnly), test::ReadBytes(v1Song)}));

    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "V2 Title");
    EXPECT_EQ(info.Artist(), "");
    EXPECT_EQ(info.Genre(), "");
    EXPECT_EQ(info.Layer(), "III");
}

TEST_F(Mp3InfoTagTest, Id3v24TagIsIgnoredAndTheSearchStartsAtByteZero) {
    // Written twice so that the tag ends 100 bytes into a chunk, where the
    // first frame pair is confirmed.
    const char* script = R"(
t = ID3()
t.add(TIT2(encoding=0, text=["A title that is longer than thirty bytes"]))
t.add(TRCK(encoding=0, text=["5"]))
t.add(TCON(encoding=0, text=["Jazz"]))
t.save(path, v2_version=4, v1=2, padding=lambda info: int(open(path + ".padding").read()))
)";
    std::string first = dir_ / "first.mp3";
    std::ofstream(first + ".padding") << 40000;
    std::filesystem::copy_file(*suiteDir_ / "tone.mp3", first);
    ASSERT_TRUE(test::RunMutagen(first, script));
    uint64_t tagBytes = test::FileSize(first) - toneSize_ - 128;
    std::string path = dir_ / "song.mp3";
    std::ofstream(path + ".padding") << 40000 - tagBytes % 1800 + 100;
    std::filesystem::copy_file(*suiteDir_ / "tone.mp3", path);
    ASSERT_TRUE(test::RunMutagen(path, script));
    tagBytes = test::FileSize(path) - toneSize_ - 128;
    ASSERT_EQ(tagBytes % 1800, 100u);

    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "A title that is longer than th"); // the ID3v1 copy
    EXPECT_EQ(info.Track(), "5");
    EXPECT_EQ(info.Genre(), "Jazz");
    EXPECT_EQ(info.Bitrate(), "128");
    EXPECT_EQ(info.Length(), ToneSeconds(path, static_cast<uint32_t>(tagBytes / 1800 + 1)));
}

TEST_F(Mp3InfoTagTest, OnlyLatin1FramesAreTaken) {
    Mp3Info info = Read(Tagged(R"(
t = ID3()
t.add(TIT2(encoding=1, text=["UTF-16 title"]))
t.add(TALB(encoding=3, text=["UTF-8 album"]))
t.add(TPE1(encoding=2, text=["UTF-16BE artist"]))
t.add(TCON(encoding=0, text=["Rock"]))
t.add(TRCK(encoding=0, text=["7"]))
t.save(path, v2_version=3)
)"));
    EXPECT_EQ(info.Title(), "");
    EXPECT_EQ(info.Album(), "");
    EXPECT_EQ(info.Artist(), "");
    EXPECT_EQ(info.Genre(), "Rock");
    EXPECT_EQ(info.Track(), "7");
}

TEST_F(Mp3InfoTagTest, Latin1BytesPassThrough) {
    Mp3Info info = Read(Tagged(R"(
t = ID3()
t.add(TIT2(encoding=0, text=["Caf\xe9 M\xfcller"]))
t.save(path, v2_version=3)
)"));
    EXPECT_EQ(info.Title(), "Caf\xe9 M\xfcller");
}

TEST_F(Mp3InfoTagTest, LongTextsAreCutToTheFieldSizes) {
    std::string digits150;
    for (int i = 0; i < 15; ++i)
        digits150 += "0123456789";
    Mp3Info info = Read(Tagged(R"(
digits = "0123456789" * 15
t = ID3()
t.add(TIT2(encoding=0, text=[digits]))
t.add(TALB(encoding=0, text=["b" * 120]))
t.add(TPE1(encoding=0, text=["c" * 100]))
t.add(TCON(encoding=0, text=["d" * 60]))
t.add(TRCK(encoding=0, text=["1234567890123456789012345"]))
t.add(TYER(encoding=0, text=["2001-05-06"]))
t.save(path, v2_version=3)
)"));
    EXPECT_EQ(info.Title(), String(digits150.substr(0, 99)));
    EXPECT_EQ(info.Album(), String(std::string(99, 'b')));
    EXPECT_EQ(info.Artist(), String(std::string(99, 'c')));
    EXPECT_EQ(info.Genre(), String(std::string(39, 'd')));
    EXPECT_EQ(info.Track(), "1234567890123456789");
    EXPECT_EQ(info.Year(), "2001-05");
}

TEST_F(Mp3InfoTagTest, PictureAndLongFramesLeaveTheTextsAlone) {
    Mp3Info info = Read(Tagged(R"(
t = ID3()
t.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=bytes(range(256)) * 20))
t.add(COMM(encoding=0, lang="eng", desc="", text=["x" * 500]))
t.add(TIT2(encoding=0, text=["After"]))
t.add(TPE1(encoding=0, text=["Them"]))
t.add(TXXX(encoding=0, desc="note", text=["y" * 300]))
t.add(TALB(encoding=0, text=["Too"]))
t.save(path, v2_version=3)
)"));
    EXPECT_EQ(info.Title(), "After");
    EXPECT_EQ(info.Artist(), "Them");
    EXPECT_EQ(info.Album(), "Too");
    EXPECT_EQ(info.Bitrate(), "128");
}

TEST_F(Mp3InfoTagTest, GenreCodesInBrackets) {
    const std::pair<const char*, const char*> cases[] = {
        {"(17)", "Rock"},   {"(17)Rock", "Rock"},      {"()", "Blues"},    {"(200)", "(200)"},
        {"17", "17"},       {"(125)", "DanceHall"},    {"(126)", "(126)"}, {"(0)Blues", "Blues"},
        {"(17", "(17"},     {"(4)(17)", "Disco"},      {"(1a)", "(1a)"},   {"Metal", "Metal"},
        {"(0017)", "Rock"}, {"(117)", "PoweerBallad"},
    };
    int n = 0;
    for (const auto& [written, shown] : cases) {
        std::string path = Tagged(std::string("t = ID3()\nt.add(TCON(encoding=0, text=[\"") +
                                      written + "\"]))\nt.save(path, v2_version=3)\n",
                                  "genre" + std::to_string(n++) + ".mp3");
        EXPECT_EQ(Read(path).Genre(), shown) << written;
    }
}

TEST_F(Mp3InfoTagTest, UnsynchronisedTag) {
    std::string path = Tagged(R"(
t = ID3()
t.add(TIT2(encoding=0, text=["A\xff\xe0z"]))
t.add(TPE1(encoding=0, text=["B\xff"]))
t.add(TALB(encoding=0, text=["\xff\xff\xff"]))
t.save(path, v2_version=3, padding=lambda info: 0)
)");
    Bytes file = test::ReadBytes(path);
    uint32_t size = WrittenTagSize(file);
    Bytes header(file.begin(), file.begin() + 10);
    Bytes body(file.begin() + 10, file.begin() + 10 + size);
    Bytes audio(file.begin() + 10 + size, file.end());
    Bytes unsynchronised = Unsynchronised(body);
    ASSERT_GT(unsynchronised.size(), body.size());
    header[5] |= 0x80;
    test::WriteBytes(path,
                     Concat({WithTagSize(header, static_cast<uint32_t>(unsynchronised.size())),
                             unsynchronised, audio}));

    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "A\xff\xe0z");
    EXPECT_EQ(info.Artist(), "B\xff");
    EXPECT_EQ(info.Album(), "\xff\xff\xff");
    EXPECT_EQ(info.Bitrate(), "128");
}

TEST_F(Mp3InfoTagTest, ExtendedHeaderIsSkipped) {
    const Bytes extendedHeaders[] = {
        {0, 0, 0, 6, 0, 0, 0, 0, 0, 0},                             // no CRC
        {0, 0, 0, 10, 0x80, 0, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x78}, // with CRC
    };
    for (const Bytes& extended : extendedHeaders) {
        std::string path = Tagged(R"(
t = ID3()
t.add(TIT2(encoding=0, text=["Extended"]))
t.add(TPE1(encoding=0, text=["Header"]))
t.save(path, v2_version=3)
)",
                                  "extended" + std::to_string(extended.size()) + ".mp3");
        Bytes file = test::ReadBytes(path);
        uint32_t size = WrittenTagSize(file);
        Bytes header(file.begin(), file.begin() + 10);
        header[5] |= 0x40;
        Bytes rest(file.begin() + 10, file.end());
        test::WriteBytes(path,
                         Concat({WithTagSize(header, size + static_cast<uint32_t>(extended.size())),
                                 extended, rest}));
        Mp3Info info = Read(path);
        EXPECT_EQ(info.Title(), "Extended");
        EXPECT_EQ(info.Artist(), "Header");
        EXPECT_EQ(info.Bitrate(), "128");
    }
}

TEST_F(Mp3InfoTagTest, Id3v22Tag) {
    // Nothing we have writes ID3v2.2, so these frames are built here.
    std::string long200(200, 'L');
    Bytes frames = Concat({
        test::Id3v22Frame("TT2", test::Latin1("Two Two")),
        test::Id3v22Frame("TAL", test::Latin1("Old Album")),
        test::Id3v22Frame("TP1", test::Latin1("Old Artist")),
        test::Id3v22Frame("TRK", test::Latin1("9")),
        test::Id3v22Frame("TCO", test::Latin1("(8)")),
        test::Id3v22Frame("TYE", test::Latin1("1987")),
        test::Id3v22Frame("TLE", test::Latin1("1234")),
        test::Id3v22Frame("COM", test::Latin1("eng" + long200)),
    });
    std::string path = dir_ / "v22.mp3";
    test::WriteBytes(
        path, Concat({test::Id3v2Tag(2, 0, frames), test::ReadBytes(*suiteDir_ / "tone.mp3")}));
    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "Two Two");
    EXPECT_EQ(info.Album(), "Old Album");
    EXPECT_EQ(info.Artist(), "Old Artist");
    EXPECT_EQ(info.Track(), "9");
    EXPECT_EQ(info.Genre(), "Jazz");
    EXPECT_EQ(info.Year(), "1987");
    EXPECT_EQ(info.Length(), ToneSeconds(path));
    EXPECT_EQ(info.Layer(), "III");
}

TEST_F(Mp3InfoTagTest, Id3v22LongFramesAndOtherEncodings) {
    Bytes frames = Concat({
        test::Id3v22Frame("TT2", test::Latin1(std::string(200, 'T'))),
        test::Id3v22Frame("TAL", {1, 0xFF, 0xFE, 'A', 0}),
        test::Id3v22Frame("TP1", test::Latin1("Still read")),
    });
    std::string path = dir_ / "v22long.mp3";
    test::WriteBytes(
        path, Concat({test::Id3v2Tag(2, 0, frames), test::ReadBytes(*suiteDir_ / "tone.mp3")}));
    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), String(std::string(99, 'T')));
    EXPECT_EQ(info.Album(), "");
    EXPECT_EQ(info.Artist(), "Still read");
}

TEST_F(Mp3InfoTagTest, Id3v11FromMutagen) {
    std::string path = Tagged(R"(
t = ID3()
t.add(TIT2(encoding=0, text=["V1 Title"]))
t.add(TPE1(encoding=0, text=["V1 Artist"]))
t.add(TALB(encoding=0, text=["V1 Album"]))
t.add(TDRC(encoding=0, text=["2003"]))
t.add(TRCK(encoding=0, text=["12"]))
t.add(TCON(encoding=0, text=["Reggae"]))
t.save(path, v2_version=3, v1=2)
mutagen.id3.delete(path, delete_v1=False, delete_v2=True)
)");
    Bytes file = test::ReadBytes(path);
    ASSERT_EQ(file[0], 0xFF) << "the ID3v2 tag should be gone";
    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "V1 Title");
    EXPECT_EQ(info.Artist(), "V1 Artist");
    EXPECT_EQ(info.Album(), "V1 Album");
    EXPECT_EQ(info.Year(), "2003");
    EXPECT_EQ(info.Track(), "12");
    EXPECT_EQ(info.Genre(), "Reggae");
    // The search starts at byte 0 and reads the whole file in full chunks.
    EXPECT_EQ(info.Length(), ToneSeconds(path));
}

TEST_F(Mp3InfoTagTest, Id3v1UnknownGenre) {
    std::string path = Tagged(R"(
t = ID3()
t.add(TIT2(encoding=0, text=["Odd"]))
t.add(TCON(encoding=0, text=["Not A Listed Genre"]))
t.save(path, v2_version=3, v1=2)
mutagen.id3.delete(path, delete_v1=False, delete_v2=True)
)");
    ASSERT_EQ(test::ReadBytes(path).back(), 255);
    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "Odd");
    EXPECT_EQ(info.Genre(), "Unknown");
    EXPECT_EQ(info.Track(), "");
}

TEST_F(Mp3InfoTagTest, SpacePaddedId3v1FromLameHasNoTrack) {
    std::string wav = dir_ / "tone.wav";
    std::string path = dir_ / "spaced.mp3";
    test::WriteToneWav(wav, 44100, 2, 1);
    ASSERT_TRUE(test::RunLame("-b 128 --id3v1-only --space-id3v1 --tt Spaced --ta 'Some One' "
                              "--tc 'a comment' --tg Rock",
                              wav, path));
    Bytes file = test::ReadBytes(path);
    ASSERT_EQ(file[file.size() - 3], ' '); // bytes 125 and 126 of the tag
    ASSERT_EQ(file[file.size() - 2], ' ');
    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "Spaced");
    EXPECT_EQ(info.Artist(), "Some One");
    EXPECT_EQ(info.Album(), "");
    EXPECT_EQ(info.Year(), "");
    EXPECT_EQ(info.Track(), "");
    EXPECT_EQ(info.Genre(), "Rock");
}

TEST_F(Mp3InfoTagTest, Id3v11FromLame) {
    std::string wav = dir_ / "tone.wav";
    std::string path = dir_ / "v11.mp3";
    test::WriteToneWav(wav, 44100, 2, 1);
    ASSERT_TRUE(
        test::RunLame("-b 128 --id3v1-only --tt Numbered --tn 7 --ty 1977 --tg 8", wav, path));
    Mp3Info info = Read(path);
    EXPECT_EQ(info.Title(), "Numbered");
    EXPECT_EQ(info.Track(), "7");
    EXPECT_EQ(info.Year(), "1977");
    EXPECT_EQ(info.Genre(), "Jazz");
}

TEST_F(Mp3InfoTagTest, Id3v2FromLameInBothEncodings) {
    std::string wav = dir_ / "tone.wav";
    test::WriteToneWav(wav, 44100, 2, 1);
    std::string latin1 = dir_ / "latin1.mp3";
    ASSERT_TRUE(test::RunLame("-b 128 --id3v2-only --id3v2-latin1 --tt 'Lame Title' "
                              "--ta 'Lame Artist' --tl 'Lame Album' --ty 2010 --tn 4 --tg Rock",
                              wav, latin1));
    Mp3Info plain = Read(latin1);
    EXPECT_EQ(plain.Title(), "Lame Title");
    EXPECT_EQ(plain.Artist(), "Lame Artist");
    EXPECT_EQ(plain.Album(), "Lame Album");
    EXPECT_EQ(plain.Year(), "2010");
    EXPECT_EQ(plain.Track(), "4");
    EXPECT_EQ(plain.Genre(), "Rock");

    std::string utf16 = dir_ / "utf16.mp3";
    ASSERT_TRUE(test::RunLame("-b 128 --add-id3v2 --id3v2-utf16 --tt 'Lame Title' "
                              "--ta 'Lame Artist' --tg Rock",
                              wav, utf16));
    Mp3Info wide = Read(utf16);
    EXPECT_EQ(wide.Title(), ""); // and the ID3v1 copy is not read
    EXPECT_EQ(wide.Artist(), "");
    EXPECT_EQ(wide.Bitrate(), "128");
}

TEST_F(Mp3InfoTagTest, TlenStaysWithoutAFrameHeader) {
    std::string path = dir_ / "silence.bin";
    test::WriteBytes(path, test::Zeros(5000));
    ASSERT_TRUE(test::RunMutagen(path, R"(
t = ID3()
t.add(TLEN(encoding=0, text=["12345"]))
t.save(path, v2_version=3)
)"));
    Mp3Info info = Read(path);
    EXPECT_EQ(info.Length(), "12345");
    EXPECT_EQ(info.Bitrate(), "");
}

TEST(Mp3InfoTagFramesTest, ALaterFrameOverwritesAnEarlierOne) {
    Bytes frames = Concat({
        test::Id3v23Frame("TIT2", test::Latin1("first")),
        test::Id3v23Frame("TYER", test::Latin1("1990")),
        test::Id3v23Frame("TIT2", test::Latin1("second")),
        test::Id3v23Frame("TDRL", test::Latin1("1991")),
        test::Id3v23Frame("TALB", test::Latin1("kept")),
        test::Id3v23Frame("TALB", {1, 0xFF, 0xFE, 'x', 0}),
    });
    Bytes file = test::Id3v2Tag(3, 0, frames);
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Title(), "second");
    EXPECT_EQ(info.Year(), "1991");
    EXPECT_EQ(info.Album(), "");
}

TEST(Mp3InfoTagFramesTest, FramesAfterFramesOf128BytesAndMore) {
    // Frame sizes are plain numbers: 0x80 and above must not be read 7 bits
    // per byte, or the frames after them are lost.
    Bytes frames = Concat({
        test::Id3v23Frame("COMM", test::Latin1("eng" + std::string(200, 'c'))),
        test::Id3v23Frame("APIC", test::Zeros(70000)),
        test::Id3v23Frame("TIT2", test::Latin1("after")),
    });
    Bytes file = test::Id3v2Tag(3, 0, frames);
    EXPECT_EQ(Mp3Info::FromBytes(file.data(), file.size()).Title(), "after");
}

TEST(Mp3InfoTagFramesTest, TextEndsAtItsFirstNul) {
    Bytes frames = test::Id3v23Frame("TIT2", test::Text(std::string("\0one\0two", 8)));
    Bytes file = test::Id3v2Tag(3, 0, frames);
    EXPECT_EQ(Mp3Info::FromBytes(file.data(), file.size()).Title(), "one");
}

TEST(Mp3InfoTagFramesTest, Id3v1FieldsEndAtNulAndLoseTrailingSpaces) {
    test::Id3v1Fields fields;
    fields.title = std::string("Half\0Hidden", 11);
    fields.artist = "Padded   ";
    fields.album = std::string(30, 'A');
    fields.year = "99  ";
    fields.genre = 17;
    Bytes file = test::Id3v1Tag(fields);
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Title(), "Half");
    EXPECT_EQ(info.Artist(), "Padded");
    EXPECT_EQ(info.Album(), String(std::string(30, 'A')));
    EXPECT_EQ(info.Year(), "99");
    EXPECT_EQ(info.Genre(), "Rock");
    EXPECT_EQ(info.Track(), "");
}

TEST(Mp3InfoTagFramesTest, Id3v1TrackOnlyInTheV11Form) {
    test::Id3v1Fields full;
    full.comment = std::string(30, 'c'); // bytes 125 and 126 are comment text
    Bytes file = test::Id3v1Tag(full);
    EXPECT_EQ(Mp3Info::FromBytes(file.data(), file.size()).Track(), "");

    test::Id3v1Fields zeroTrack;
    zeroTrack.track = 0;
    file = test::Id3v1Tag(zeroTrack);
    EXPECT_EQ(Mp3Info::FromBytes(file.data(), file.size()).Track(), "");

    test::Id3v1Fields v11;
    v11.comment = std::string(28, 'c');
    v11.track = 255;
    file = test::Id3v1Tag(v11);
    EXPECT_EQ(Mp3Info::FromBytes(file.data(), file.size()).Track(), "255");
}

TEST(Mp3InfoTagFramesTest, Id3v1Genres) {
    const std::pair<uint8_t, const char*> cases[] = {
        {0, "Blues"},          {1, "ClassicRock"},   {9, "Metal"},     {67, "Psychadelic"},
        {117, "PoweerBallad"}, {118, "RhytmicSoul"}, {123, "ACapela"}, {125, "DanceHall"},
        {126, "Unknown"},      {255, "Unknown"},
    };
    for (const auto& [code, name] : cases) {
        test::Id3v1Fields fields;
        fields.genre = code;
        Bytes file = test::Id3v1Tag(fields);
        EXPECT_EQ(Mp3Info::FromBytes(file.data(), file.size()).Genre(), name) << int{code};
    }
}

TEST(Mp3InfoTagFramesTest, NoTagMeansNoGenre) {
    Bytes file = test::Zeros(4000);
    EXPECT_EQ(Mp3Info::FromBytes(file.data(), file.size()).Genre(), "");
}

} // namespace
} // namespace tb
