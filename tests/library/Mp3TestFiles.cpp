#include "library/Mp3TestFiles.h"

#include "support/Shell.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tb::test {
namespace {

void PutLittleEndian(Bytes& out, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutBigEndian(Bytes& out, uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutSyncsafe(Bytes& out, uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<uint8_t>((value >> shift) & 0x7F));
}

void PutField(Bytes& out, const std::string& text, size_t width, char pad) {
    for (size_t i = 0; i < width; ++i)
        out.push_back(static_cast<uint8_t>(i < text.size() ? text[i] : pad));
}

bool Succeeded(const std::string& command) {
    return std::system(command.c_str()) == 0;
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

} // namespace

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint64_t FileSize(const std::string& path) {
    return std::filesystem::file_size(path);
}

bool HaveLame() {
    static const bool have = Succeeded("command -v lame >/dev/null 2>&1");
    return have;
}

bool HaveMutagen() {
    return !MutagenPython().empty();
}

void WriteToneWav(const std::string& path, uint32_t rate, int channels, int seconds) {
    uint32_t frames = rate * static_cast<uint32_t>(seconds);
    uint32_t dataSize = frames * static_cast<uint32_t>(channels) * 2;
    Bytes wav = {'R', 'I', 'F', 'F'};
    PutLittleEndian(wav, 36 + dataSize, 4);
    for (char c : std::string("WAVEfmt "))
        wav.push_back(static_cast<uint8_t>(c));
    PutLittleEndian(wav, 16, 4);
    PutLittleEndian(wav, 1, 2); // PCM
    PutLittleEndian(wav, static_cast<uint32_t>(channels), 2);
    PutLittleEndian(wav, rate, 4);
    PutLittleEndian(wav, rate * static_cast<uint32_t>(channels) * 2, 4);
    PutLittleEndian(wav, static_cast<uint32_t>(channels) * 2, 2);
    PutLittleEndian(wav, 16, 2);
    for (char c : std::string("data"))
        wav.push_back(static_cast<uint8_t>(c));
    PutLittleEndian(wav, dataSize, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        auto sample = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * i / rate));
        for (int c = 0; c < channels; ++c)
            PutLittleEndian(wav, static_cast<uint16_t>(sample), 2);
    }
    WriteBytes(path, wav);
}

bool RunLame(const std::string& options, const std::string& wav, const std::string& mp3) {
    return Succeeded("lame --quiet " + options + " " + ShellQuote(wav) + " " + ShellQuote(mp3));
}

bool RunMutagen(const std::string& path, const std::string& body) {
    std::string script = path + ".py";
    std::ofstream(script) << "import sys\nimport mutagen.id3\n"
                          << "globals().update((name, getattr(mutagen.id3, name))\n"
                          << "                 for name in dir(mutagen.id3) if name[0] != '_')\n"
                          << "path = sys.argv[1]\n"
                          << body << "\n";
    bool ok = Succeeded(MutagenPython() + " " + ShellQuote(script) + " " + ShellQuote(path));
    std::remove(script.c_str());
    return ok;
}

Bytes Id3v2Tag(uint8_t major, uint8_t flags, const Bytes& body) {
    return Id3v2TagWithSize(major, flags, static_cast<uint32_t>(body.size()), body);
}

Bytes Id3v2TagWithSize(uint8_t major, uint8_t flags, uint32_t size, const Bytes& body) {
    Bytes tag = {'I', 'D', '3', major, 0, flags};
    PutSyncsafe(tag, size);
    tag.insert(tag.end(), body.begin(), body.end());
    return tag;
}

Bytes Id3v23Frame(const std::string& id, const Bytes& data) {
    return Id3v23FrameWithSize(id, static_cast<uint32_t>(data.size()), data);
}

Bytes Id3v23FrameWithSize(const std::string& id, uint32_t size, const Bytes& data) {
    Bytes frame(id.begin(), id.end());
    PutBigEndian(frame, size, 4);
    frame.push_back(0);
    frame.push_back(0);
    frame.insert(frame.end(), data.begin(), data.end());
    return frame;
}

Bytes Id3v22Frame(const std::string& id, const Bytes& data) {
    Bytes frame(id.begin(), id.end());
    PutBigEndian(frame, static_cast<uint32_t>(data.size()), 3);
    frame.insert(frame.end(), data.begin(), data.end());
    return frame;
}

Bytes Latin1(const std::string& text) {
    Bytes data(text.size() + 1, 0);
    std::copy(text.begin(), text.end(), data.begin() + 1);
    return data;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Id3v1Tag(const Id3v1Fields& fields) {
    Bytes tag = {'T', 'A', 'G'};
    PutField(tag, fields.title, 30, fields.pad);
    PutField(tag, fields.artist, 30, fields.pad);
    PutField(tag, fields.album, 30, fields.pad);
    PutField(tag, fields.year, 4, fields.pad);
    PutField(tag, fields.comment, 30, 0);
    if (fields.track >= 0) {
        tag[125] = 0;
        tag[126] = static_cast<uint8_t>(fields.track);
    }
    tag.push_back(fields.genre);
    return tag;
}

Bytes MpegFrames(const uint8_t header[4], size_t length, int count) {
    Bytes frames;
    for (int i = 0; i < count; ++i) {
        frames.insert(frames.end(), header, header + 4);
        frames.resize(frames.size() + length - 4, 0);
    }
    return frames;
}

Bytes Zeros(size_t count) {
    return Bytes(count, 0);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace tb::test
