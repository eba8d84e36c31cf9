#include "DeviceLibrary.h"

#include "support/Shell.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace tb::test {
namespace {

const char* const Python = "/usr/bin/python3";

void PutLittleEndian(std::string& out, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

// A mono 16-bit tone at 16 kHz; the frequency makes every file's audio differ.
void WriteToneWav(const std::string& path, int seconds, double frequency) {
    const uint32_t rate = 16000;
    uint32_t frames = rate * static_cast<uint32_t>(seconds);
    std::string wav = "RIFF";
    PutLittleEndian(wav, 36 + frames * 2, 4);
    wav += "WAVEfmt ";
    PutLittleEndian(wav, 16, 4);
    PutLittleEndian(wav, 1, 2); // PCM
    PutLittleEndian(wav, 1, 2); // mono
    PutLittleEndian(wav, rate, 4);
    PutLittleEndian(wav, rate * 2, 4);
    PutLittleEndian(wav, 2, 2);
    PutLittleEndian(wav, 16, 2);
    wav += "data";
    PutLittleEndian(wav, frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i)
        PutLittleEndian(wav,
                        static_cast<uint16_t>(
                            static_cast<int16_t>(6000 * std::sin(2 * M_PI * frequency * i / rate))),
                        2);
    std::ofstream(path, std::ios::binary) << wav;
}

bool Succeeded(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string Hex(const std::string& text) {
    std::string hex;
    for (unsigned char c : text) {
        hex += "0123456789abcdef"[c >> 4];
        hex += "0123456789abcdef"[c & 15];
    }
    return hex;
}

// One mutagen statement that tags the staged file with ID3v2.3 frames.
std::string TagStatement(const std::string& path, const DeviceSongTags& tags) {
    std::string s = "tag('" + Hex(path) + "', [";
    const std::pair<const char*, const std::string*> frames[] = {
        {"TIT2", &tags.title}, {"TPE1", &tags.artist}, {"TALB", &tags.album},
        {"TRCK", &tags.track}, {"TCON", &tags.genre},  {"TDRC", &tags.year}};
    for (const auto& [id, text] : frames)
        if (!text->empty())
            s += std::string("('") + id + "', '" + Hex(*text) + "'),";
    return s + "])\n";
}

bool RunTagScript(const std::string& script, const std::string& statements) {
    std::ofstream(script) << "import mutagen.id3 as id3\n"
                          << "def tag(path, frames):\n"
                          << "    t = id3.ID3()\n"
                          << "    for name, text in frames:\n"
                          << "        t.add(getattr(id3, name)(encoding=0, "
                             "text=bytes.fromhex(text).decode('latin-1')))\n"
                          << "    t.update_to_v23()\n"
                          << "    t.save(bytes.fromhex(path).decode('latin-1'), v2_version=3)\n"
                          << statements;
    return Succeeded(std::string(Python) + " " + ShellQuote(script));
}

} // namespace

bool DeviceSongMaker::ToolsPresent() {
    static const bool present =
        Succeeded("command -v lame >/dev/null 2>&1") &&
        Succeeded(std::string(Python) + " -c 'import mutagen.id3' >/dev/null 2>&1");
    return present;
}

void DeviceSongMaker::Add(const std::string& path, int seconds, const DeviceSongTags& tags) {
    DeviceSong song;
    song.path = path;
    song.seconds = seconds;
    song.tags = tags;
    queued_.push_back(song);
}

std::vector<DeviceSong> DeviceSongMaker::Make() {
    std::filesystem::create_directories(staging_);
    std::string statements;
    std::vector<std::string> staged;
    for (const DeviceSong& song : queued_) {
        int n = made_++;
        std::string wav = staging_ + "/tone.wav";
        std::string mp3 = staging_ + "/song-" + std::to_string(n) + ".mp3";
        WriteToneWav(wav, song.seconds, 180.0 + 23.0 * n);
        if (!Succeeded("lame --quiet -b 32 --cbr " + ShellQuote(wav) + " " + ShellQuote(mp3)))
            throw std::runtime_error("lame failed");
        if (!song.tags.Empty())
            statements += TagStatement(mp3, song.tags);
        staged.push_back(mp3);
    }
    if (!statements.empty() && !RunTagScript(staging_ + "/tag.py", statements))
        throw std::runtime_error("mutagen failed");
    std::vector<DeviceSong> made;
    for (size_t i = 0; i < queued_.size(); ++i) {
        DeviceSong song = queued_[i];
        song.bytes = ReadFileBytes(staged[i]);
        std::filesystem::create_directories(std::filesystem::path(song.path).parent_path());
        std::filesystem::rename(staged[i], song.path);
        made.push_back(song);
    }
    queued_.clear();
    return made;
}

bool RunConfigCommand(const std::string& configDir, const std::vector<std::string>& arguments) {
    std::vector<std::string> args = {TUNEBRIDGE_EXECUTABLE, "config", "--config-dir", configDir};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return error == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool StoreShares(const std::string& configDir, const std::vector<DeviceShare>& shares) {
    for (const DeviceShare& share : shares)
        if (!RunConfigCommand(configDir, {"share", "add", share.name, share.path}))
            return false;
    return true;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace tb::test
