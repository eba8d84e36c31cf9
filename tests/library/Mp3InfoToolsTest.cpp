// MP3 analysis of what real tools write: audio encoded by lame, tags written
// by lame and mutagen, and the output of the tunebridge-mp3info tool.
#include "library/Mp3Info.h"
#include "library/Mp3TestFiles.h"
#include "support/RequireTool.h"
#include "support/Shell.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace tb {
namespace {

using test::Bytes;
using test::Concat;
using test::Estimate;
using test::Tags;

Mp3Info Read(const std::string& path) {
    return Mp3Info(String(path.c_str()));
}

uint64_t FileSize(const std::string& path) {
    return std::filesystem::file_size(path);
}

std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    std::istringstream in(text);
    for (std::string field; std::getline(in, field, '|');)
        fields.push_back(field);
    return fields;
}

// The header text against a pattern in which "*" stands for any one field.
bool Matches(const std::string& header, const std::string& pattern) {
    std::vector<std::string> got = Fields(header), want = Fields(pattern);
    if (got.size() != want.size())
        return false;
    for (size_t i = 0; i < got.size(); ++i)
        if (want[i] != "*" && want[i] != got[i])
            return false;
    return true;
}

class Mp3InfoToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TB_REQUIRE_TOOL(test::HaveLame() && test::HaveMutagen(), "lame or python3-mutagen");
    }

    // A tone of four seconds encoded by lame.
    std::string Encode(const std::string& options, const std::string& name = "tone.mp3",
                       uint32_t rate = 44100, int channels = 2) {
        std::string wav = dir_ / (name + ".wav");
        test::WriteToneWav(wav, rate, channels, 4);
        EXPECT_TRUE(test::RunLame(options, wav, dir_ / name)) << options;
        return dir_ / name;
    }
    test::TempDir dir_;
};

TEST_F(Mp3InfoToolsTest, HeaderFieldsAreWhatLameWasAskedFor) {
    struct Case {
        uint32_t rate;
        int channels;
        const char* options;
        const char* header; // bitrate to crcProtected; "*" where lame chooses per frame
    };
    const Case cases[] = {
        {44100, 2, "-b 128 -m j", "128|Joint stereo|1|III|44100|0|*|0|1|*|none|0"},
        {48000, 2, "-b 192 -m s --resample 48", "192|Stereo|1|III|48000|0|00|0|1|0|none|0"},
        {32000, 1, "-b 64 -m m --resample 32", "64|Single channel|1|III|32000|0|00|0|1|0|none|0"},
        {44100, 2, "-b 320 -m d", "320|Dual channel|1|III|44100|0|00|0|1|*|none|0"},
        {24000, 1, "-b 48 -m m --resample 24", "48|Single channel|2|III|24000|0|00|0|1|0|none|0"},
        {22050, 2, "-b 64 -m j --resample 22.05", "64|Joint stereo|2|III|22050|0|*|0|1|*|none|0"},
        {16000, 2, "-b 32 -m s --resample 16", "32|Stereo|2|III|16000|0|00|0|1|0|none|0"},
        {8000, 1, "-b 16 -m m --resample 8", "16|Single channel|2.5|III|8000|0|00|0|1|0|none|0"},
        {12000, 2, "-b 24 -m s --resample 12", "24|Stereo|2.5|III|12000|0|00|0|1|0|none|0"},
        {11025, 1, "-b 32 -m m --resample 11.025",
         "32|Single channel|2.5|III|11025|0|00|0|1|*|none|0"},
        {44100, 2, "-b 128 -c -o -p -e 5", "128|*|1|III|44100|0|*|1|0|*|50/15 ms|1"},
        {44100, 2, "-b 128 -e c", "128|*|1|III|44100|0|*|0|1|*|CCIT J.17|0"},
    };
    for (const Case& c : cases) {
        std::string mp3 = Encode(c.options, "tone.mp3", c.rate, c.channels);
        Mp3Info info = Read(mp3);
        EXPECT_TRUE(Matches(test::Header(info), c.header))
            << c.options << ": " << test::Header(info);
        // The estimate is close to the play time; there are no tags.
        std::string seconds = Estimate(FileSize(mp3), std::stoul(info.Bitrate().c_str()));
        EXPECT_TRUE(seconds == "3" || seconds == "4") << c.options << ": " << seconds;
        EXPECT_EQ(Tags(info), "length=" + seconds + "|layer=III|") << c.options;
        std::filesystem::remove(mp3);
    }
}

TEST_F(Mp3InfoToolsTest, TagsWrittenByLameAndMutagen) {
    struct Case {
        const char* lame;
        const char* mutagen; // run on the file lame made, when given
        const char* tags;    // "%L": the estimate from the file's size
    };
    const Case cases[] = {
        {"-b 128", R"(
t = ID3()
t.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=bytes(range(256)) * 20))
t.add(COMM(encoding=0, lang="eng", desc="", text=["x" * 500]))
t.add(TIT2(encoding=0, text=["Caf\xe9 M\xfcller"]))
t.add(TALB(encoding=0, text=["The Album"]))
t.add(TPE1(encoding=0, text=["An Artist"]))
t.add(TXXX(encoding=0, desc="note", text=["y" * 300]))
t.add(TRCK(encoding=0, text=["3/12"]))
t.add(TCON(encoding=0, text=["Jazz"]))
t.add(TYER(encoding=0, text=["1998"]))
t.add(TLEN(encoding=0, text=["4000"]))
t.save(path, v2_version=3))",
         "title=Caf\xe9 M\xfcller|album=The Album|artist=An Artist|genre=Jazz|track=3/12|"
         "year=1998|length=%L|layer=III|"},
        {"-b 128", R"(
t = ID3()
t.add(TIT2(encoding=0, text=["V1 Title"]))
t.add(TPE1(encoding=0, text=["V1 Artist"]))
t.add(TALB(encoding=0, text=["V1 Album"]))
t.add(TDRC(encoding=0, text=["2003"]))
t.add(TRCK(encoding=0, text=["12"]))
t.add(TCON(encoding=0, text=["Reggae"]))
t.save(path, v2_version=3, v1=2)
mutagen.id3.delete(path, delete_v1=False, delete_v2=True))",
         "title=V1 Title|album=V1 Album|artist=V1 Artist|genre=Reggae|track=12|year=2003|"
         "length=%L|layer=III|"},
        {"-b 128 --id3v1-only --tt Numbered --tn 7 --ty 1977 --tg 8", nullptr,
         "title=Numbered|genre=Jazz|track=7|year=1977|length=%L|layer=III|"},
        // Space padding puts spaces at bytes 125 and 126: no track.
        {"-b 128 --id3v1-only --space-id3v1 --tt Spaced --ta 'Some One' --tc 'a comment' --tg Rock",
         nullptr, "title=Spaced|artist=Some One|genre=Rock|length=%L|layer=III|"},
        {"-b 128 --id3v2-only --id3v2-latin1 --tt 'Lame Title' --ta 'Lame Artist' "
         "--tl 'Lame Album' --ty 2010 --tn 4 --tg Rock",
         nullptr,
         "title=Lame Title|album=Lame Album|artist=Lame Artist|genre=Rock|track=4|year=2010|"
         "length=%L|layer=III|"},
        // UTF-16 texts are not read, nor is the ID3v1 copy then; lame writes
        // the genre in Latin-1.
        {"-b 128 --add-id3v2 --id3v2-utf16 --tt 'Lame Title' --tg Rock", nullptr,
         "genre=Rock|length=%L|layer=III|"},
    };
    for (const Case& c : cases) {
        std::string path = Encode(c.lame);
        ASSERT_TRUE(!c.mutagen || test::RunMutagen(path, c.mutagen)) << c.tags;
        std::string tags = c.tags;
        tags.replace(tags.find("%L"), 2, Estimate(FileSize(path), 128));
        EXPECT_EQ(Tags(Read(path)), tags) << c.lame;
        std::filesystem::remove(path);
    }
}

// The tool is built into the build directory, one level above this test
// program; TUNEBRIDGE_MP3INFO names it when it lives elsewhere.
std::string ToolPath() {
    if (const char* path = std::getenv("TUNEBRIDGE_MP3INFO"))
        return path;
    std::error_code error;
    auto tool = std::filesystem::read_symlink("/proc/self/exe", error).parent_path().parent_path() /
                "tunebridge-mp3info";
    return !error && std::filesystem::exists(tool, error) ? tool.string() : std::string();
}

test::CommandResult RunTool(const std::string& arguments) {
    return test::RunCommand(test::ShellQuote(ToolPath()) + " " + arguments + " 2>&1");
}

TEST(Mp3InfoToolTest, PrintsEveryFieldInOrderOrOneLineOfFailure) {
    if (ToolPath().empty())
        GTEST_SKIP() << "tunebridge-mp3info is not built next to the tests";
    test::TempDir dir;
    // MPEG-1 layer II, 192 kbps, 48000 Hz frames after an ID3v2.3 tag.
    const uint8_t header[4] = {0xFF, 0xFD, 0xA4, 0x00};
    Bytes frames = Concat({test::Id3v23Frame("TIT2", test::Latin1("Caf\xe9")),
                           test::Id3v23Frame("TCON", test::Latin1("(8)")),
                           test::Id3v23Frame("TRCK", test::Latin1("2/9")),
                           test::Id3v23Frame("TYER", test::Latin1("1984"))});
    std::string path = dir / "song one.mp3";
    test::WriteBytes(path,
                     Concat({test::Id3v2Tag(3, 0, frames), test::MpegFrames(header, 576, 500)}));
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
