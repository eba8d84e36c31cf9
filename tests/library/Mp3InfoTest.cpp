// MP3 analysis: hand-built bytes for what lame and mutagen never write
// (ID3v2.2, damaged tags, layer I and II frames), files those tools do
// write, and the output of the tunebridge-mp3info tool.
#include "library/Mp3Info.h"

#include "support/AudioTools.h"
#include "support/RequireTool.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <initializer_list>
#include <ostream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tb {

// Failure messages show a String's text.
inline void PrintTo(const String& text, std::ostream* out) {
    *out << '"' << text.View() << '"';
}

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// An ID3v1 tag: title, artist, album, year and comment NUL-padded to their
// widths. The v1.1 track is the comment's last byte, after a NUL.
Bytes Id3v1Tag(const std::vector<std::string>& texts, uint8_t genre = 255) {
    Bytes tag = {'T', 'A', 'G'};
    const size_t widths[] = {30, 30, 30, 4, 30};
    for (size_t f = 0; f < 5; ++f)
        for (size_t i = 0; i < widths[f]; ++i)
            tag.push_back(static_cast<uint8_t>(i < texts[f].size() ? texts[f][i] : 0));
    tag.push_back(genre);
    return tag;
}

// MPEG-1 layer II, 192 kbps, 48000 Hz, stereo: 576-byte frames.
const uint8_t Layer2[4] = {0xFF, 0xFD, 0xA4, 0x00};

Mp3Info Read(const Bytes& bytes) {
    return Mp3Info::FromBytes(bytes.data(), bytes.size());
}

// Hand-built ID3v2 tags: the tag size written 7 bits per byte, frame sizes as
// plain big-endian numbers; a size other than the data's makes a damaged tag
// or frame.
Bytes Id3v2Tag(uint8_t major, uint8_t flags, const Bytes& body, int64_t size = -1) {
    uint32_t n = static_cast<uint32_t>(size < 0 ? body.size() : size);
    return Concat({{'I', 'D', '3', major, 0, flags, static_cast<uint8_t>(n >> 21 & 0x7F),
                    static_cast<uint8_t>(n >> 14 & 0x7F), static_cast<uint8_t>(n >> 7 & 0x7F),
                    static_cast<uint8_t>(n & 0x7F)},
                   body});
}

// A v2.2 frame's ID and size have three bytes; a v2.3 frame's have four,
// and two flag bytes follow.
Bytes Frame(const std::string& id, const Bytes& data, int64_t size = -1) {
    uint32_t n = static_cast<uint32_t>(size < 0 ? data.size() : size);
    Bytes frame(id.begin(), id.end());
    for (size_t i = id.size(); i-- > 0;)
        frame.push_back(static_cast<uint8_t>(n >> 8 * i));
    return Concat({frame, id.size() == 4 ? Bytes{0, 0} : Bytes{}, data});
}

// Text frame data: an encoding byte of 0 (Latin-1), then the text.
Bytes Latin1(const std::string& text) {
    return Concat({{0}, Bytes(text.begin(), text.end())});
}

// ID3v2.3 frames of Latin-1 texts, one after another.
Bytes Texts(std::initializer_list<std::pair<const char*, std::string>> frames) {
    Bytes all;
    for (const auto& [id, text] : frames)
        all = Concat({all, Frame(id, Latin1(text))});
    return all;
}

// `count` MPEG audio frames: the four header bytes, then zeros up to
// `length` bytes each.
Bytes MpegFrames(const uint8_t header[4], size_t length, size_t count) {
    Bytes frames(length * count, 0);
    for (size_t at = 0; at < frames.size(); at += length)
        std::copy(header, header + 4, frames.begin() + static_cast<ptrdiff_t>(at));
    return frames;
}

// The non-empty fields from title to length, and the layer when a frame
// header was found, as "name=value|...".
std::string Tags(const Mp3Info& info) {
    std::string text;
    for (int i : {0, 1, 2, 3, 4, 5, 6, 10})
        if (!info.Field(i).IsEmpty())
            text += std::string(Mp3Info::FieldName(i)) + "=" + info.Field(i).c_str() + "|";
    return text;
}

// The frame header fields from bit rate to CRC, in table order, as "a|b|...".
std::string Header(const Mp3Info& info) {
    std::string text;
    for (int i = 7; i < Mp3Info::FieldCount; ++i)
        text += std::string(info.Field(i).View()) + (i + 1 < Mp3Info::FieldCount ? "|" : "");
    return text;
}

// The play-time estimate: bytes still uncounted after the chunk of 1800 that
// confirmed the header, out of a count that starts at the whole file size,
// at the header's bit rate, in 32-bit arithmetic.
std::string Estimate(uint64_t fileSize, uint32_t kbps) {
    uint32_t count = static_cast<uint32_t>(fileSize) - 1800;
    return std::to_string(count * 8u / (kbps * 1000u));
}

TEST(Mp3InfoTest, TagTextsFromId3v2AndId3v1) {
    struct Case {
        const char* name;
        Bytes file;
        std::string tags;
    };
    const Bytes v2 = Texts({{"TIT2", "v2"}}), v1 = Id3v1Tag({"v1", "", "", "", ""}, 13);
    const std::string x99(99, 'x');
    const Case cases[] = {
        {"later frames overwrite, TDRL is a year, other encodings clear",
         Id3v2Tag(
             3, 0,
             Concat({Texts({{"TIT2", "first"},
                            {"TYER", "1990"},
                            {"TIT2", "second"},
                            {"TDRL", "1991"},
                            {"TALB", "kept"}}),
                     Frame("TALB", {1, 0xFF, 0xFE, 'x', 0}), Frame("TPE1", {3, 'u', 't', 'f'})})),
         "title=second|year=1991|"},
        {"texts are cut to the field sizes",
         Id3v2Tag(3, 0,
                  Texts({{"TIT2", x99 + "x"},
                         {"TALB", x99 + "yy"},
                         {"TPE1", x99 + "zzz"},
                         {"TCON", x99},
                         {"TRCK", x99},
                         {"TYER", "2001-05-06"},
                         {"TLEN", x99}})),
         "title=" + x99 + "|album=" + x99 + "|artist=" + x99 + "|genre=" + x99.substr(60) +
             "|track=" + x99.substr(80) + "|year=2001-05|length=" + x99.substr(80) + "|"},
        {"v2.2 frames",
         Id3v2Tag(2, 0x40, // bit 6 is no extended header in v2.2
                  Concat({Frame("TT2", Latin1(x99 + "x")), Frame("TAL", {1, 'A', 0}),
                          Frame("TP1", Latin1("Old Artist")), Frame("TRK", Latin1("9")),
                          Frame("TCO", Latin1("(8)")), Frame("TYE", Latin1("1987")),
                          Frame("TLE", Latin1("1234"))})),
         "title=" + x99 + "|artist=Old Artist|genre=Jazz|track=9|year=1987|length=1234|"},
        {"a v2.2 frame header cut off by the tag end",
         Id3v2Tag(2, 0, Concat({Frame("TAL", Latin1("old")), {'T', 'T', '2', 0}})), "album=old|"},
        {"a v2.3 extended header, with CRC",
         Id3v2Tag(3, 0x40, Concat({{0, 0, 0, 10, 0x80, 0, 0, 0, 0, 0, 1, 2, 3, 4}, v2})),
         "title=v2|"},
        {"an extended header past the tag end: a tag, but no frames",
         Concat({Id3v2Tag(3, 0x40, Concat({{0x7F, 0xFF, 0xFF, 0xFF, 0, 0}, v2})), v1}), ""},
        {"a tag of size 0 is still a tag", Concat({Id3v2Tag(3, 0, {}), v1}), ""},
        {"a tag size past the end falls back to v1, searched from byte 0",
         Concat({Id3v2Tag(3, 0, v2, 0x0FFFFFFF), MpegFrames(Layer2, 576, 4), v1}),
         "title=v1|genre=Pop|length=0|layer=II|"},
        {"the top bits of the size bytes are not part of the size",
         Concat({{'I', 'D', '3', 3, 0, 0, 0x80, 0x80, 0x80, 0x8D}, v2, v1}), "title=v2|"},
        {"a tag cut short in its header", {'I', 'D', '3', 3, 0, 0, 0, 0}, ""},
        {"a frame running past the tag takes the rest",
         Id3v2Tag(3, 0,
                  Concat({Texts({{"TALB", "album"}}), Frame("TIT2", Latin1("abc"), 0xFFFFFFF0)})),
         "title=abc|album=album|"},
        {"a frame with only its header in the tag",
         Id3v2Tag(3, 0, Concat({Texts({{"TALB", "album"}}), Frame("TIT2", {}, 5)})),
         "album=album|"},
        {"a frame header cut off by the tag end",
         Id3v2Tag(3, 0, Concat({Texts({{"TALB", "album"}}), {'T', 'I', 'T', '2', 0, 0}})),
         "album=album|"},
        {"empty frames clear their fields",
         Id3v2Tag(
             3, 0,
             Concat({Texts({{"TIT2", "first"}}), Frame("TIT2", {}), Texts({{"TALB", "after"}})})),
         "album=after|"},
        // Frame sizes count the bytes left once the stuffed 0x00s are gone.
        {"unsynchronisation",
         Id3v2Tag(3, 0x80,
                  Concat({Frame("TIT2", {0, 'A', 0xFF, 0, 0xE0, 'z'}, 5),
                          Frame("TALB", {0, 0xFF, 0, 0xFF, 0, 0xFF, 0}, 4)})),
         "title=A\xff\xe0z|album=\xff\xff\xff|"},
        {"unsynchronisation: a marker at the tag end",
         Id3v2Tag(3, 0x80, Concat({Texts({{"TIT2", "t"}}), {0xFF}})), "title=t|"},
        {"unsynchronisation: markers only", Id3v2Tag(3, 0x80, Bytes(50, 0xFF)), ""},
        {"v1 fields end at NUL and lose trailing spaces",
         Id3v1Tag({std::string("Half\0Hidden", 11), "Padded   ", std::string(30, 'A'), "99  ", ""}),
         "title=Half|album=" + std::string(30, 'A') + "|artist=Padded|genre=Unknown|year=99|"},
        {"v1.1 track", Id3v1Tag({"", "", "", "", std::string(28, 'c') + std::string("\0\xff", 2)}),
         "genre=Unknown|track=255|"},
        {"no v1.1 track in a full comment: bytes 125 and 126 are its text",
         Id3v1Tag({"", "", "", "", std::string(30, 'c')}), "genre=Unknown|"},
        {"no v1.1 track 0", Id3v1Tag({"", "", "", "", ""}), "genre=Unknown|"},
        {"a v1 tag one byte short", Bytes(v1.begin(), v1.end() - 1), ""},
        {"no tag", Bytes(4000, 0), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tags(Read(c.file)), c.tags) << c.name;
}

TEST(Mp3InfoTest, GenreCodesNameTheId3v1Genres) {
    // Codes past the table's end keep their text, however many digits.
    const std::pair<const char*, const char*> texts[] = {
        {"(17)Rock", "Rock"}, {"()", "Blues"},    {"(125)", "DanceHall"},
        {"(126)", "(126)"},   {"(0017)", "Rock"}, {"(17", "(17"},
        {"(1a)", "(1a)"},     {"17", "17"},       {"(4294967313)", "(4294967313)"},
    };
    for (const auto& [text, genre] : texts)
        EXPECT_EQ(Read(Id3v2Tag(3, 0, Frame("TCON", Latin1(text)))).Genre(), genre) << text;
    const std::pair<uint8_t, const char*> codes[] = {
        {0, "Blues"}, {125, "DanceHall"}, {126, "Unknown"}, {255, "Unknown"}};
    for (const auto& [code, genre] : codes)
        EXPECT_EQ(Read(Id3v1Tag({"", "", "", "", ""}, code)).Genre(), genre) << int{code};
}

TEST(Mp3InfoTest, FrameHeaderFieldsAndTheLengthEstimate) {
    struct Case {
        const char* name;
        Bytes file;
        std::string header; // bitrate to crcProtected
        std::string length; // empty: the estimate over the whole file at this rate
        uint32_t kbps = 0;
    };
    const std::string none(11, '|');
    // MPEG-1 layer I, 384 kbps, 48000 Hz, CRC, single channel, extension 11,
    // original, emphasis "reserved": 12000 x 384 / 48000 = 96 slots of 4 bytes.
    const uint8_t layer1[4] = {0xFF, 0xFE, 0xC4, 0xF6};
    // MPEG-2 layer I, 144 kbps, 16000 Hz, padded, private, dual channel,
    // copyright, original, 50/15 ms: (12000 x 144 / 16000 + 1) x 4 = 436 bytes.
    const uint8_t mpeg2[4] = {0xFF, 0xF7, 0x9B, 0x8D};
    // The same as Layer2 but for the private bit, which the check ignores.
    const uint8_t privateLayer2[4] = {0xFF, 0xFD, 0xA5, 0x00};
    const Bytes oneCandidate = Concat({Bytes(100, 0), MpegFrames(Layer2, 576, 1), Bytes(3000, 0)});
    const Case cases[] = {
        {"layer I", MpegFrames(layer1, 384, 30),
         "384|Single channel|1|I|48000|0|11|0|1|0|reserved|1", "", 384},
        {"MPEG-2 layer I", MpegFrames(mpeg2, 436, 10),
         "144|Dual channel|2|I|16000|1|00|1|1|1|50/15 ms|0", "", 144},
        {"a pair across a chunk boundary is not confirmed: the last candidate stands in",
         Concat({Bytes(1500, 0), MpegFrames(Layer2, 576, 1), MpegFrames(privateLayer2, 576, 1),
                 Bytes(724, 0)}),
         "192|Stereo|1|II|48000|1|00|0|0|0|none|0", "0"},
        {"a pair inside a chunk is confirmed",
         Concat({Bytes(100, 0), MpegFrames(Layer2, 576, 1), MpegFrames(privateLayer2, 576, 1),
                 Bytes(2124, 0)}),
         "192|Stereo|1|II|48000|0|00|0|0|0|none|0", "", 192},
        // The count starts at the whole file size, so a search that starts
        // after a tag ends with a short read: an unconfirmed candidate is
        // then lost, and the tag's TLEN text stays.
        {"after an ID3v2 tag the last read comes up short",
         Concat({Id3v2Tag(3, 0, Frame("TLEN", Latin1("5000"))), oneCandidate}), none, "5000"},
    };
    const uint8_t notHeaders[][4] = {
        {0xFF, 0xEB, 0x90, 0x00}, // reserved version
        {0xFF, 0xF9, 0x90, 0x00}, // reserved layer
        {0xFF, 0xFB, 0x00, 0x00}, // free bit rate
        {0xFF, 0xFB, 0xF0, 0x00}, // bit-rate index 15
        {0xFF, 0xFB, 0x9C, 0x00}, // sampling-rate index 3
        {0xFF, 0xDB, 0x90, 0x00}, // sync word one bit short
    };
    for (const Case& c : cases) {
        Mp3Info info = Read(c.file);
        EXPECT_EQ(Header(info), c.header) << c.name;
        std::string length = c.kbps ? Estimate(c.file.size(), c.kbps) : c.length;
        EXPECT_EQ(info.Length(), length.c_str()) << c.name;
    }
    for (const auto& header : notHeaders)
        EXPECT_EQ(Header(Read(MpegFrames(header, 418, 10))), none) << int{header[1]};
}

TEST(Mp3InfoTest, FilesThatCannotBeReadThrow) {
    test::TempDir dir;
    dir.Write("a.mp3", "");
    ASSERT_EQ(mkfifo((dir / "pipe.mp3").c_str(), 0600), 0);
    const std::pair<std::string, int> paths[] = {
        {dir / "missing.mp3", ENOENT},
        {dir.Path(), EISDIR},
        {dir / "pipe.mp3", EINVAL}, // refused without waiting for a writer
        {dir / "a.mp3" + std::string("\0.x", 3), ENOENT},
    };
    for (const auto& [path, error] : paths) {
        try {
            Mp3Info info{String(path)};
            ADD_FAILURE() << path << " was read";
        } catch (const Mp3FileException& e) {
            EXPECT_EQ(e.Value(), error) << path;
        }
    }
    // Root reads any file, so the reading is done by a child that has given
    // up root first (CI runs as root).
    ASSERT_EQ(chmod((dir / "a.mp3").c_str(), 0), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && setresuid(65534, 65534, 65534) != 0)
            _exit(2);
        try {
            Mp3Info info{String((dir / "a.mp3").c_str())};
        } catch (const Mp3FileException& e) {
            _exit(e.Value() == EACCES ? 0 : 3);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Big frames before the texts (a picture, a long comment) are what mutagen
// writes and hand-built tags leave out.
TEST(Mp3InfoToolsTest, TagsWrittenByMutagen) {
    TB_REQUIRE_TOOL(test::HaveLame() && test::HaveMutagen(), "lame or python3-mutagen");
    const std::string mutagen = R"(import sys
from mutagen.id3 import ID3, APIC, COMM, TIT2, TALB, TPE1, TRCK, TCON, TYER, TLEN
t = ID3()
t.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=bytes(range(256)) * 20))
t.add(COMM(encoding=0, lang="eng", desc="", text=["x" * 500]))
for frame, text in [(TIT2, "Caf\xe9 M\xfcller"), (TALB, "The Album"), (TPE1, "An Artist"),
                    (TRCK, "3/12"), (TCON, "Jazz"), (TYER, "1998"), (TLEN, "4000")]:
    t.add(frame(encoding=0, text=[text]))
t.save(sys.argv[1], v2_version=3))";
    test::TempDir dir;
    const std::string path = dir / "tone.mp3", script = dir.Write("tag.py", mutagen);
    test::WriteToneWav(dir / "tone.wav", 44100, 2, 4);
    ASSERT_TRUE(test::RunLame("-b 128", dir / "tone.wav", path));
    std::string command = test::MutagenPython() + " " + test::ShellQuote(script);
    ASSERT_EQ(test::RunCommand(command + " " + test::ShellQuote(path)).status, 0);
    EXPECT_EQ(Tags(Mp3Info(String(path.c_str()))),
              "title=Caf\xe9 M\xfcller|album=The Album|artist=An Artist|genre=Jazz|"
              "track=3/12|year=1998|length=" +
                  Estimate(std::filesystem::file_size(path), 128) + "|layer=III|");
}

// The tool is built into the build directory, one level above this program.
test::CommandResult RunTool(const std::string& arguments) {
    static const std::string tool =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() /
        "tunebridge-mp3info";
    return test::RunCommand(test::ShellQuote(tool) + " " + arguments + " 2>&1");
}

TEST(Mp3InfoToolTest, PrintsEveryFieldInOrderOrOneLineOfFailure) {
    test::TempDir dir;
    Bytes bytes = Texts({{"TIT2", "Caf\xe9"}, {"TCON", "(8)"}, {"TRCK", "2/9"}, {"TYER", "1984"}});
    bytes = Concat({Id3v2Tag(3, 0, bytes), MpegFrames(Layer2, 576, 500)});
    std::string path = dir.Write("song one.mp3", std::string(bytes.begin(), bytes.end()));
    test::CommandResult run = RunTool(test::ShellQuote(path));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "title=Caf\xe9\nalbum=\nartist=\ngenre=Jazz\ntrack=2/9\nyear=1984\n"
                          "length=11\nbitrate=192\nchannelMode=Stereo\nversion=1\nlayer=II\n"
                          "samplingRate=48000\nprivateBit=0\nmodeExtension=00\ncopyright=0\n"
                          "original=0\npadding=0\nemphasis=none\ncrcProtected=0\n");
    run = RunTool(test::ShellQuote(dir / "missing.mp3"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("missing.mp3"), std::string::npos);
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1);
    for (const char* arguments : {"", "a b"}) {
        run = RunTool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.output.find("usage"), std::string::npos) << arguments;
    }
}

} // namespace
} // namespace tb
