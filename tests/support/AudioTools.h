#pragma once

#include <cstdint>
#include <string>

namespace tb::test {

// Whether the outside audio tools are there (scripts/setup installs them).
bool HaveLame();
bool HaveMutagen();
// The Python that can import mutagen.id3, or empty.
const std::string& MutagenPython();

// A 16-bit PCM WAV file of a sine tone, the same in every channel.
void WriteToneWav(const std::string& path, uint32_t rate, int channels, int seconds,
                  double frequency = 440);
// Runs `lame --quiet OPTIONS WAV MP3`; true when it succeeded.
bool RunLame(const std::string& options, const std::string& wav, const std::string& mp3);

} // namespace tb::test
