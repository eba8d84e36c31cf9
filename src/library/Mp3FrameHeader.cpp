#include "library/Mp3FrameHeader.h"

namespace tb {
namespace {

enum VersionBits : unsigned { Mpeg25 = 0, ReservedVersion = 1, Mpeg2 = 2, Mpeg1 = 3 };
enum LayerBits : unsigned { ReservedLayer = 0, Layer3 = 1, Layer2 = 2, Layer1 = 3 };

// Kilobits per second by bit-rate index: MPEG-1 layers I, II, III, then
// MPEG-2/2.5 layer I and MPEG-2/2.5 layers II and III.
constexpr uint16_t Bitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};

// Hertz by version bits and sampling-rate index.
constexpr uint32_t SamplingRates[4][4] = {
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
};

constexpr const char* VersionLabels[4] = {"2.5", "reserved", "2", "1"};
constexpr const char* LayerLabels[4] = {"reserved", "III", "II", "I"};
constexpr const char* ChannelModeLabels[4] = {"Stereo", "Joint stereo", "Dual channel",
                                              "Single channel"};
constexpr const char* ModeExtensionLabels[4] = {"00", "01", "10", "11"};
constexpr const char* EmphasisLabels[4] = {"none", "50/15 ms", "reserved", "CCIT J.17"};

} // namespace

Mp3FrameHeader::Mp3FrameHeader(const uint8_t* bytes) noexcept
    : bytes_{bytes[0], bytes[1], bytes[2]} {}

bool Mp3FrameHeader::IsCandidate(const uint8_t* bytes) noexcept {
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0)
        return false;
    Mp3FrameHeader header(bytes + 1);
    return header.Kbps() != 0 && header.SamplingRate() != 0;
}

int Mp3FrameHeader::BitrateRow() const noexcept {
    unsigned version = VersionBits();
    unsigned layer = LayerBits();
    if (version == ReservedVersion || layer == ReservedLayer)
        return -1;
    if (version == Mpeg1)
        return static_cast<int>(Layer1 - layer); // I, II, III give rows 0, 1, 2
    return layer == Layer1 ? 3 : 4;
}

uint32_t Mp3FrameHeader::Kbps() const noexcept {
    int row = BitrateRow();
    return row < 0 ? 0 : Bitrates[row][bytes_[1] >> 4];
}

uint32_t Mp3FrameHeader::SamplingRate() const noexcept {
    return SamplingRates[VersionBits()][(bytes_[1] >> 2) & 3];
}

uint32_t Mp3FrameHeader::FrameLength() const noexcept {
    uint32_t padding = Padding() ? 1 : 0;
    if (LayerBits() == Layer1)
        return (12000 * Kbps() / SamplingRate() + padding) * 4;
    return 144000 * Kbps() / SamplingRate() + padding;
}

const char* Mp3FrameHeader::VersionLabel() const noexcept {
    return VersionLabels[VersionBits()];
}

const char* Mp3FrameHeader::LayerLabel() const noexcept {
    return LayerLabels[LayerBits()];
}

const char* Mp3FrameHeader::ChannelModeLabel() const noexcept {
    return ChannelModeLabels[bytes_[2] >> 6];
}

const char* Mp3FrameHeader::ModeExtensionLabel() const noexcept {
    return ModeExtensionLabels[(bytes_[2] >> 4) & 3];
}

const char* Mp3FrameHeader::EmphasisLabel() const noexcept {
    return EmphasisLabels[bytes_[2] & 3];
}

} // namespace tb
