#pragma once

#include <string>
#include <vector>

namespace tb::test {

// ID3 texts as written into a file; all empty for a file without a tag.
struct DeviceSongTags {
    std::string title, artist, album, track, genre, year;
    bool Empty() const {
        return title.empty() && artist.empty() && album.empty() && track.empty() && genre.empty() &&
               year.empty();
    }
};

// One MP3 file of a generated library: where it is and what it holds.
struct DeviceSong {
    std::string path;  // full path; the name may hold any bytes but "/" and NUL
    std::string bytes; // the whole file as written
    DeviceSongTags tags;
    int seconds = 0;  // length of the encoded tone
    int bitrate = 32; // kilobits per second, constant
};

struct DeviceShare {
    std::string name, path;
};

// What the server is expected to serve: the shares as stored and every
// song file below them.
struct DeviceLibrary {
    std::vector<DeviceShare> shares;
    std::vector<DeviceSong> songs;
};

// Makes real MP3 files: a distinct tone per file encoded by lame, ID3v2.3
// tags written by mutagen in one Python run. Files are made under plain
// names in `staging` and then renamed to their (possibly odd) paths.
class DeviceSongMaker {
public:
    explicit DeviceSongMaker(std::string staging) : staging_(std::move(staging)) {}

    // Whether lame and the system Python's mutagen are installed.
    static bool ToolsPresent();

    // Queues a file; its parent folders are created by Make.
    void Add(const std::string& path, int seconds, const DeviceSongTags& tags);
    // Encodes and tags everything queued; throws when a tool fails.
    std::vector<DeviceSong> Make();

private:
    std::string staging_;
    std::vector<DeviceSong> queued_;
    int made_ = 0;
};

// Runs `tunebridge config --config-dir DIR ARGUMENTS`; true on success.
bool RunConfigCommand(const std::string& configDir, const std::vector<std::string>& arguments);
// Stores the shares in the configuration directory.
bool StoreShares(const std::string& configDir, const std::vector<DeviceShare>& shares);
std::string ReadFileBytes(const std::string& path);

} // namespace tb::test
