#pragma once

#include "support/DeviceSimulator.h"

#include <map>
#include <string>
#include <vector>

namespace tb::test {

// ID3 texts as written into a file; all empty for a file without a tag.
struct DeviceSongTags {
    std::string title, artist, album, track, genre, year;
};

// One MP3 file of a generated library: where it is and what it holds.
struct DeviceSong {
    std::string path;  // full path; the name may hold any bytes but "/" and NUL
    std::string bytes; // the whole file as written
    DeviceSongTags tags;
    int seconds = 0; // length of the encoded tone; 32 kbit/s, constant
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

// Makes real MP3 files: a tone of its own per file encoded by lame, ID3v2.3
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

// Stores the shares with the config command.
bool StoreShares(const std::string& configDir, const std::vector<DeviceShare>& shares);

// A node as a device met it in a full walk.
struct DeviceNode {
    enum class Kind { Root, Folder, RandomStream, Song };
    Kind kind = Kind::Folder;
    int id = 0;
    DeviceItem item;           // as its parent listed it (empty for the root)
    std::vector<int> children; // in listed order
    const DeviceSong* song = nullptr;
};

// Everything one walk saw, by wire ID.
struct DeviceTree {
    std::map<int, DeviceNode> nodes;
    std::string etag; // of the index build that answered
    int songsStreamed = 0;
    int randomStreams = 0;
};

// Walks the whole tree with one device and checks it against the files on
// disk, noting what differs as the device's problems: the root lists the
// shares in name order (case ignored); a folder lists (a share's top folder
// first its random stream, then) its sub-folders and then its MP3 files in
// the order the file system lists them, hidden entries left out; wire IDs
// number the tree depth-first (root 1, the global random stream 2); folder
// names carry the 0x8F byte below the first level; every song's item and
// stream match its file and tags; every random stream lists its share's
// songs (the global one all songs) once each.
DeviceTree WalkTree(DeviceSimulator& device, const DeviceLibrary& library);

} // namespace tb::test
