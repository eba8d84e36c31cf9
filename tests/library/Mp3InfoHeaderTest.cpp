#include "library/Mp3Info.h"
#include "library/Mp3TestFiles.h"
#include "support/RequireTool.h"

#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace tb {
namespace {

using test::Bytes;
using test::Concat;
using test::MpegFrames;
using test::Zeros;

constexpr uint32_t Chunk = 1800;

// The play-time estimate: bytes still uncounted after the chunk that
// confirmed the header, out of a count that starts at the whole file size,
// at the header's bit rate, in 32-bit arithmetic.
String EstimatedSeconds(uint64_t fileSize, uint32_t chunksRead, uint32_t kbps) {
    uint32_t count = static_cast<uint32_t>(fileSize) - chunksRead * Chunk;
    return String::FromUnsigned(count * 8u / (kbps * 1000u));
}

void ExpectNoHeader(const Mp3Info& info) {
    for (int i = 7; i < Mp3Info::FieldCount; ++i)
        EXPECT_EQ(info.Field(i), "") << Mp3Info::FieldName(i);
}

// What lame was asked to make, and what that means for the first header.
struct LameCase {
    const char* name;
    uint32_t inputRate;
    int channels;
    const char* options;
    const char* version;
    const char* samplingRate;
    uint32_t kbps;
    const char* channelMode;
    const char* modeExtension; // nullptr: joint stereo picks it per frame
    const char* padding;       // nullptr: the rate does not divide evenly
};

const LameCase LameCases[] = {
    {"Mpeg1JointStereo", 44100, 2, "-b 128 -m j", "1", "44100", 128, "Joint stereo", nullptr,
     nullptr},
    {"Mpeg1Stereo48k", 48000, 2, "-b 192 -m s --resample 48", "1", "48000", 192, "Stereo", "00",
     "0"},
    {"Mpeg1Mono32k", 32000, 1, "-b 64 -m m --resample 32", "1", "32000", 64, "Single channel", "00",
     "0"},
    {"Mpeg1Dual", 44100, 2, "-b 320 -m d", "1", "44100", 320, "Dual channel", "00", nullptr},
    {"Mpeg2Mono24k", 24000, 1, "-b 48 -m m --resample 24", "2", "24000", 48, "Single channel", "00",
     "0"},
    {"Mpeg2Joint22k", 22050, 2, "-b 64 -m j --resample 22.05", "2", "22050", 64, "Joint stereo",
     nullptr, nullptr},
    {"Mpeg2Stereo16k", 16000, 2, "-b 32 -m s --resample 16", "2", "16000", 32, "Stereo", "00", "0"},
    {"Mpeg25Mono8k", 8000, 1, "-b 16 -m m --resample 8", "2.5", "8000", 16, "Single channel", "00",
     "0"},
    {"Mpeg25Stereo12k", 12000, 2, "-b 24 -m s --resample 12", "2.5", "12000", 24, "Stereo", "00",
     "0"},
    {"Mpeg25Mono11k", 11025, 1, "-b 32 -m m --resample 11.025", "2.5", "11025", 32,
     "Single channel", "00", nullptr},
};

// Encodes a tone with lame into a file in its own temporary directory.
class LameFixture {
protected:
    static constexpr int Seconds = 4;

    std::string Encode(const LameCase& c, const std::string& extraOptions = "") {
        std::string wav = dir_ / "tone.wav";
        std::string mp3 = dir_ / "tone.mp3";
        test::WriteToneWav(wav, c.inputRate, c.channels, Seconds);
        EXPECT_TRUE(test::RunLame(std::string(c.options) + " " + extraOptions, wav, mp3));
        return mp3;
    }

    test::TempDir dir_;
};

class Mp3InfoLameTest : public ::testing::TestWithParam<LameCase>, protected LameFixture {
protected:
    void SetUp() override { TB_REQUIRE_TOOL(test::HaveLame(), "lame"); }
};

class Mp3InfoLameFlagsTest : public ::testing::Test, protected LameFixture {
protected:
    void SetUp() override { TB_REQUIRE_TOOL(test::HaveLame(), "lame"); }
};

TEST_P(Mp3InfoLameTest, HeaderFieldsAreWhatLameWasAskedFor) {
    const LameCase& c = GetParam();
    std::string mp3 = Encode(c);
    Mp3Info info(String(mp3.c_str()));
    EXPECT_EQ(info.Version(), c.version);
    EXPECT_EQ(info.Layer(), "III");
    EXPECT_EQ(info.SamplingRate(), c.samplingRate);
    EXPECT_EQ(info.Bitrate(), String::FromUnsigned(c.kbps));
    EXPECT_EQ(info.ChannelMode(), c.channelMode);
    if (c.modeExtension != nullptr)
        EXPECT_EQ(info.ModeExtension(), c.modeExtension);
    else
        EXPECT_EQ(info.ModeExtension().Length(), 2);
    if (c.padding != nullptr)
        EXPECT_EQ(info.Padding(), c.padding);
    else
        EXPECT_TRUE(info.Padding() == "0" || info.Padding() == "1");
    EXPECT_EQ(info.CrcProtected(), "0");
    EXPECT_EQ(info.Copyright(), "0");
    EXPECT_EQ(info.Original(), "1");
    EXPECT_EQ(info.PrivateBit(), "0");
    EXPECT_EQ(info.Emphasis(), "none");
    EXPECT_EQ(info.Length(), EstimatedSeconds(test::FileSize(mp3), 1, c.kbps));
    // Without tags, nothing else is filled.
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(info.Field(i), "") << Mp3Info::FieldName(i);
}

TEST_P(Mp3InfoLameTest, LengthIsCloseToThePlayTime) {
    const LameCase& c = GetParam();
    Mp3Info info(String(Encode(c).c_str()));
    uint32_t seconds = std::stoul(info.Length().c_str());
    EXPECT_GE(seconds, Seconds - 1u);
    EXPECT_LE(seconds, Seconds + 0u);
}

INSTANTIATE_TEST_SUITE_P(Lame, Mp3InfoLameTest, ::testing::ValuesIn(LameCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Mp3InfoLameFlagsTest, FlagBitsAreWhatLameWasAskedFor) {
    LameCase c = LameCases[0];
    Mp3Info marked(String(Encode(c, "-c -o -p -e 5").c_str()));
    EXPECT_EQ(marked.Copyright(), "1");
    EXPECT_EQ(marked.Original(), "0");
    EXPECT_EQ(marked.CrcProtected(), "1");
    EXPECT_EQ(marked.Emphasis(), "50/15 ms");
    EXPECT_EQ(marked.PrivateBit(), "0");
    Mp3Info ccitt(String(Encode(c, "-e c").c_str()));
    EXPECT_EQ(ccitt.Emphasis(), "CCIT J.17");
    EXPECT_EQ(ccitt.CrcProtected(), "0");
}

// Hand-built frames for what lame does not make: layers I and II, the
// private bit, the reserved emphasis, and the search's own limits.

// MPEG-1 layer II, 192 kbps, 48000 Hz, no CRC, stereo: 576-byte frames.
const uint8_t Layer2[4] = {0xFF, 0xFD, 0xA4, 0x00};
// MPEG-1 layer II, 32 kbps, 48000 Hz: 96-byte frames.
const uint8_t Layer2Slow[4] = {0xFF, 0xFD, 0x14, 0x00};

TEST(Mp3InfoHeaderTest, Mpeg1Layer2) {
    Bytes file = MpegFrames(Layer2, 576, 20);
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Version(), "1");
    EXPECT_EQ(info.Layer(), "II");
    EXPECT_EQ(info.Bitrate(), "192");
    EXPECT_EQ(info.SamplingRate(), "48000");
    EXPECT_EQ(info.ChannelMode(), "Stereo");
    EXPECT_EQ(info.ModeExtension(), "00");
    EXPECT_EQ(info.CrcProtected(), "0");
    EXPECT_EQ(info.Original(), "0");
    EXPECT_EQ(info.Length(), EstimatedSeconds(file.size(), 1, 192));
}

TEST(Mp3InfoHeaderTest, Mpeg1Layer1WithCrcAndReservedEmphasis) {
    // 384 kbps, 48000 Hz, CRC, single channel, extension 11, original,
    // emphasis "reserved": 12000 x 384 / 48000 = 96 slots of 4 bytes.
    const uint8_t header[4] = {0xFF, 0xFE, 0xC4, 0xF6};
    Bytes file = MpegFrames(header, 384, 30);
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Version(), "1");
    EXPECT_EQ(info.Layer(), "I");
    EXPECT_EQ(info.Bitrate(), "384");
    EXPECT_EQ(info.SamplingRate(), "48000");
    EXPECT_EQ(info.CrcProtected(), "1");
    EXPECT_EQ(info.ChannelMode(), "Single channel");
    EXPECT_EQ(info.ModeExtension(), "11");
    EXPECT_EQ(info.Copyright(), "0");
    EXPECT_EQ(info.Original(), "1");
    EXPECT_EQ(info.Emphasis(), "reserved");
    EXPECT_EQ(info.Padding(), "0");
}

TEST(Mp3InfoHeaderTest, Mpeg2Layer1WithPaddingAndPrivateBit) {
    // 144 kbps, 16000 Hz, padded, private, dual channel, copyright,
    // original, 50/15 ms: (12000 x 144 / 16000 + 1) x 4 = 436 bytes.
    const uint8_t header[4] = {0xFF, 0xF7, 0x9B, 0x8D};
    Bytes file = MpegFrames(header, 436, 10);
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Version(), "2");
    EXPECT_EQ(info.Layer(), "I");
    EXPECT_EQ(info.Bitrate(), "144");
    EXPECT_EQ(info.SamplingRate(), "16000");
    EXPECT_EQ(info.Padding(), "1");
    EXPECT_EQ(info.PrivateBit(), "1");
    EXPECT_EQ(info.ChannelMode(), "Dual channel");
    EXPECT_EQ(info.Copyright(), "1");
    EXPECT_EQ(info.Original(), "1");
    EXPECT_EQ(info.Emphasis(), "50/15 ms");
    EXPECT_EQ(info.Length(), EstimatedSeconds(file.size(), 1, 144));
}

TEST(Mp3InfoHeaderTest, HeadersThatNameNothingAreNotCandidates) {
    const uint8_t notHeaders[][4] = {
        {0xFF, 0xEB, 0x90, 0x00}, // reserved version
        {0xFF, 0xF9, 0x90, 0x00}, // reserved layer
        {0xFF, 0xFB, 0x00, 0x00}, // free bit rate
        {0xFF, 0xFB, 0xF0, 0x00}, // bit-rate index 15
        {0xFF, 0xFB, 0x9C, 0x00}, // sampling-rate index 3
        {0xFF, 0xDB, 0x90, 0x00}, // sync word one bit short
    };
    for (const auto& header : notHeaders) {
        Bytes file = MpegFrames(header, 418, 10);
        ExpectNoHeader(Mp3Info::FromBytes(file.data(), file.size()));
    }
}

TEST(Mp3InfoHeaderTest, AnUnconfirmedCandidateStandsInWithLengthZero) {
    Bytes file = Concat({Zeros(100), MpegFrames(Layer2, 576, 1), Zeros(3000)});
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Layer(), "II");
    EXPECT_EQ(info.Bitrate(), "192");
    EXPECT_EQ(info.Length(), "0");
}

TEST(Mp3InfoHeaderTest, TheLastUnconfirmedCandidateWins) {
    const uint8_t mono[4] = {0xFF, 0xFD, 0xA4, 0xC0};
    Bytes file =
        Concat({MpegFrames(Layer2, 576, 1), Zeros(1000), MpegFrames(mono, 576, 1), Zeros(2000)});
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.ChannelMode(), "Single channel");
    EXPECT_EQ(info.Length(), "0");
}

TEST(Mp3InfoHeaderTest, APairAcrossAChunkBoundaryIsNotConfirmed) {
    // The second header differs only in the private bit, which the check
    // ignores, so the private bit shows which header was kept.
    const uint8_t privateLayer2[4] = {0xFF, 0xFD, 0xA5, 0x00};
    Bytes across = Concat(
        {Zeros(1500), MpegFrames(Layer2, 576, 1), MpegFrames(privateLayer2, 576, 1), Zeros(724)});
    Mp3Info unconfirmed = Mp3Info::FromBytes(across.data(), across.size());
    EXPECT_EQ(unconfirmed.PrivateBit(), "1");
    EXPECT_EQ(unconfirmed.Length(), "0");

    Bytes inside = Concat(
        {Zeros(100), MpegFrames(Layer2, 576, 1), MpegFrames(privateLayer2, 576, 1), Zeros(2124)});
    Mp3Info confirmed = Mp3Info::FromBytes(inside.data(), inside.size());
    EXPECT_EQ(confirmed.PrivateBit(), "0");
    EXPECT_EQ(confirmed.Length(), EstimatedSeconds(inside.size(), 1, 192));
}

TEST(Mp3InfoHeaderTest, AFrameLongerThanAChunkIsNeverConfirmed) {
    // MPEG-2.5 layer II, 160 kbps, 11025 Hz, joint stereo: 2089 bytes.
    const uint8_t header[4] = {0xFF, 0xE5, 0xE0, 0x40};
    Bytes file = MpegFrames(header, 2089, 4);
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Version(), "2.5");
    EXPECT_EQ(info.Layer(), "II");
    EXPECT_EQ(info.SamplingRate(), "11025");
    EXPECT_EQ(info.ChannelMode(), "Joint stereo");
    EXPECT_EQ(info.Length(), "0");
}

TEST(Mp3InfoHeaderTest, LengthCountsFromTheChunkThatConfirmed) {
    // 96-byte frames from byte 2000: confirmed in the second chunk.
    Bytes file = Concat({Zeros(2000), MpegFrames(Layer2Slow, 96, 210)});
    ASSERT_EQ(file.size(), 22160u);
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Bitrate(), "32");
    EXPECT_EQ(info.Length(), "4");
    EXPECT_EQ(info.Length(), EstimatedSeconds(file.size(), 2, 32));
}

TEST(Mp3InfoHeaderTest, AfterAnId3v2TagTheLastReadComesUpShort) {
    // The count starts at the whole file size, so a search that starts after
    // a tag ends with a short read: an unconfirmed candidate is then lost,
    // and the tag's TLEN text stays.
    Bytes tag = test::Id3v2Tag(3, 0, test::Id3v23Frame("TLEN", test::Latin1("5000")));
    Bytes audio = Concat({Zeros(100), MpegFrames(Layer2, 576, 1), Zeros(3000)});
    Bytes tagged = Concat({tag, audio});
    Mp3Info info = Mp3Info::FromBytes(tagged.data(), tagged.size());
    ExpectNoHeader(info);
    EXPECT_EQ(info.Length(), "5000");

    Mp3Info untagged = Mp3Info::FromBytes(audio.data(), audio.size());
    EXPECT_EQ(untagged.Layer(), "II");
}

TEST(Mp3InfoHeaderTest, AfterAnId3v2TagTheCountStillStartsAtTheFileSize) {
    Bytes tag = test::Id3v2Tag(
        3, 0, Concat({test::Id3v23Frame("TLEN", test::Latin1("5000")), Zeros(3000)}));
    Bytes file = Concat({tag, MpegFrames(Layer2Slow, 96, 300)});
    Mp3Info info = Mp3Info::FromBytes(file.data(), file.size());
    EXPECT_EQ(info.Bitrate(), "32");
    EXPECT_EQ(info.Length(), EstimatedSeconds(file.size(), 1, 32));
}

TEST(Mp3InfoHeaderTest, LengthIsComputedIn32Bits) {
    // A sparse file of 600 MiB: its byte count times 8 wraps around.
    test::TempDir dir;
    std::string path = dir / "big.mp3";
    test::WriteBytes(path, MpegFrames(Layer2Slow, 96, 40));
    constexpr uint64_t Size = 600ull << 20;
    ASSERT_EQ(truncate(path.c_str(), Size), 0);
    Mp3Info info(String(path.c_str()));
    uint32_t count = static_cast<uint32_t>(Size - Chunk);
    EXPECT_EQ(info.Length(), String::FromUnsigned(count * 8u / 32000u));
    EXPECT_NE(info.Length(), String::FromUnsigned(static_cast<uint32_t>(Size * 8 / 32000)));
}

} // namespace
} // namespace tb
