#include "support/AudioTools.h"

#include "support/Shell.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tb::test {
namespace {

bool Succeeded(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

void PutLittleEndian(std::string& out, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

} // namespace

bool HaveLame() {
    static const bool have = Succeeded("command -v lame >/dev/null 2>&1");
    return have;
}

bool HaveMutagen() {
    return !MutagenPython().empty();
}

const std::string& MutagenPython() {
    // Debian's python3-mutagen belongs to the system Python, which a Python
    // version manager on PATH may hide.
    static const std::string python = [] {
        for (const char* candidate : {"/usr/bin/python3", "python3"}) {
            if (Succeeded(std::string(candidate) + " -c 'import mutagen.id3' >/dev/null 2>&1"))
                return std::string(candidate);
        }
        return std::string();
    }();
    return python;
}

void WriteToneWav(const std::string& path, uint32_t rate, int channels, int seconds,
                  double frequency) {
    uint32_t frames = rate * static_cast<uint32_t>(seconds);
    uint32_t frameSize = static_cast<uint32_t>(channels) * 2;
    std::string wav = "RIFF";
    PutLittleEndian(wav, 36 + frames * frameSize, 4);
    wav += "WAVEfmt ";
    PutLittleEndian(wav, 16, 4);
    PutLittleEndian(wav, 1, 2); // PCM
    PutLittleEndian(wav, static_cast<uint32_t>(channels), 2);
    PutLittleEndian(wav, rate, 4);
    PutLittleEndian(wav, rate * frameSize, 4);
    PutLittleEndian(wav, frameSize, 2);
    PutLittleEndian(wav, 16, 2);
    wav += "data";
    PutLittleEndian(wav, frames * frameSize, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        auto sample = static_cast<int16_t>(8000 * std::sin(2 * M_PI * frequency * i / rate));
        for (int c = 0; c < channels; ++c)
            PutLittleEndian(wav, static_cast<uint16_t>(sample), 2);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << wav;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool RunLame(const std::string& options, const std::string& wav, const std::string& mp3) {
    return Succeeded("lame --quiet " + options + " " + ShellQuote(wav) + " " + ShellQuote(mp3));
}

} // namespace tb::test
