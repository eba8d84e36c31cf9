#include "library/Mp3TestFiles.h"

#include "support/Shell.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tb::test {
namespace {

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
