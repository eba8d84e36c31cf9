#include "library/Mp3TestFiles.h"
#include "support/Shell.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tb {
namespace {

// The tool is built into the build directory, one level above this test
// program; TUNEBRIDGE_MP3INFO names it when it lives elsewhere.
std::string ToolPath() {
    if (const char* path = std::getenv("TUNEBRIDGE_MP3INFO"))
        return path;
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    auto tool = self.parent_path().parent_path() / "tunebridge-mp3info";
    return std::filesystem::exists(tool, error) ? tool.string() : std::string();
}

test::CommandResult RunTool(const std::string& arguments) {
    return test::RunCommand(test::ShellQuote(ToolPath()) + " " + arguments + " 2>&1");
}

class Mp3InfoToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (ToolPath().empty())
            GTEST_SKIP() << "tunebridge-mp3info is not built next to the tests";
    }

    test::TempDir dir_;
};

TEST_F(Mp3InfoToolTest, PrintsEveryFieldInOrder) {
    // MPEG-1 layer II, 192 kbps, 48000 Hz frames after an ID3v2.3 tag.
    const uint8_t header[4] = {0xFF, 0xFD, 0xA4, 0x00};
    test::Bytes frames = test::Concat({test::Id3v23Frame("TIT2", test::Latin1("Caf\xe9")),
                                       test::Id3v23Frame("TCON", test::Latin1("(8)"))});
    std::string path = dir_ / "song one.mp3";
    test::WriteBytes(
        path, test::Concat({test::Id3v2Tag(3, 0, frames), test::MpegFrames(header, 576, 500)}));
    test::CommandResult run = RunTool(test::ShellQuote(path));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "title=Caf\xe9\n"
                          "album=\n"
                          "artist=\n"
                          "genre=Jazz\n"
                          "track=\n"
                          "year=\n"
                          "length=11\n"
                          "bitrate=192\n"
                          "channelMode=Stereo\n"
                          "version=1\n"
                          "layer=II\n"
                          "samplingRate=48000\n"
                          "privateBit=0\n"
                          "modeExtension=00\n"
                          "copyright=0\n"
                          "original=0\n"
                          "padding=0\n"
                          "emphasis=none\n"
                          "crcProtected=0\n");
}

TEST_F(Mp3InfoToolTest, MissingFileFailsWithOneLine) {
    test::CommandResult run = RunTool(test::ShellQuote((dir_ / "missing.mp3")));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("missing.mp3"), std::string::npos);
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1);
}

TEST_F(Mp3InfoToolTest, WrongArgumentsShowUsage) {
    test::CommandResult none = RunTool("");
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.output.find("usage"), std::string::npos);
    EXPECT_EQ(RunTool("a b").status, 2);
}

} // namespace
} // namespace tb
