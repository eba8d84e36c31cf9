#include "DeviceLibrary.h"

#include "support/AudioTools.h"
#include "support/Shell.h"

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
    return std::system((MutagenPython() + " " + ShellQuote(script)).c_str()) == 0;
}

} // namespace

bool DeviceSongMaker::ToolsPresent() {
    return HaveLame() && HaveMutagen();
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
        // A frequency of its own makes every file's audio differ.
        WriteToneWav(wav, 16000, 1, song.seconds, 180.0 + 23.0 * n);
        if (!RunLame("-b 32 --cbr", wav, mp3))
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
