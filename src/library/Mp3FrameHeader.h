#pragma once

#include <cstdint>

namespace tb {

// An MPEG audio frame header, kept as its bytes 1-3 (byte 0 is the 0xFF of
// the sync word), with the meaning the MPEG-1 and MPEG-2 audio standards
// give to each bit. Labels are the texts songs show.
class Mp3FrameHeader {
public:
    Mp3FrameHeader() noexcept = default;
    // From the three bytes after the 0xFF.
    explicit Mp3FrameHeader(const uint8_t* bytes) noexcept;

    // True for four bytes that start with 0xFF and the rest of the sync word
    // and name a version, layer, bit rate and sampling rate that exist.
    static bool IsCandidate(const uint8_t* bytes) noexcept;

    uint32_t Kbps() const noexcept;         // 0 for "free", index 15 or no table row
    uint32_t SamplingRate() const noexcept; // 0 for index 3 or the reserved version
    // Bytes from this header to the next, the way our search steps: layer I
    // in 4-byte slots, every other layer and version as 144000 x kbps / rate
    // (twice the real length for MPEG-2 and 2.5 layer III frames, so the
    // check then lands on the frame after next). Needs a candidate.
    uint32_t FrameLength() const noexcept;

    const char* VersionLabel() const noexcept;
    const char* LayerLabel() const noexcept;
    const char* ChannelModeLabel() const noexcept;
    const char* ModeExtensionLabel() const noexcept;
    const char* EmphasisLabel() const noexcept;
    bool CrcProtected() const noexcept { return (bytes_[0] & 1) == 0; }
    bool Padding() const noexcept { return (bytes_[1] & 2) != 0; }
    bool PrivateBit() const noexcept { return (bytes_[1] & 1) != 0; }
    bool Copyright() const noexcept { return (bytes_[2] & 8) != 0; }
    bool Original() const noexcept { return (bytes_[2] & 4) != 0; }

private:
    unsigned VersionBits() const noexcept { return (bytes_[0] >> 3) & 3; }
    unsigned LayerBits() const noexcept { return (bytes_[0] >> 1) & 3; }
    // Row of the bit-rate table, or -1 for a reserved version or layer.
    int BitrateRow() const noexcept;

    uint8_t bytes_[3] = {0, 0, 0};
};

} // namespace tb
