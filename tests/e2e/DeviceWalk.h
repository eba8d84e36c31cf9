#pragma once

#include "DeviceLibrary.h"
#include "DeviceSimulator.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tb::test {

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
    int superScrollProbes = 0;
    int randomStreamsChecked = 0;
};

// Where a superScroll jump lands among children with these names: the
// first position from `from` on whose name's first character, upper-cased
// (ASCII) and compared as a signed code, is at or after the letter's;
// `from` itself when there is none.
long long SuperScrollTarget(const std::vector<std::string>& names, long long from,
                            const std::string& letter);
// The name the server compares for superScroll: a song's file name, else
// the listed name.
std::string SortName(const DeviceNode& node);

// Walks the whole tree with one device and checks it against the files on
// disk: the root lists the shares in name order (case ignored); a folder
// lists (a share's top folder first its random stream, then) its
// sub-folders and then its MP3 files in the order the file system lists
// them, hidden entries left out; wire IDs number the tree depth-first
// (root 1, the global random stream 2); folder names carry the 0x8F byte
// below the first level; every song's item and stream match its file and
// tags, also from a Range start; every random stream lists its share's
// songs (the global one all songs) once each; superScroll jumps to the
// first child from fromindex on whose name starts at or after the letter.
class DeviceWalk {
public:
    DeviceWalk(DeviceSimulator& device, const DeviceLibrary& library)
        : device_(device), library_(library) {}

    DeviceTree Run();

private:
    struct DiskEntry {
        enum class Kind { Stream, Folder, Song } kind;
        std::string name;
    };
    static std::vector<DiskEntry> ListDisk(const std::string& path, bool shareTop);

    void WalkFolder(const DeviceItem& item, const std::string& path, const std::string& share,
                    bool shareTop);
    // Wire IDs follow the walk's depth-first order.
    void CheckId(const DeviceItem& item, const std::string& what);
    void MatchChild(int parent, const DeviceItem& child, const DiskEntry& entry,
                    const std::string& path, const std::string& share);
    void CheckSong(const DeviceItem& item, const std::string& path, const std::string& share);
    void CheckSongStream(const DeviceItem& item, const DeviceSong& song);
    void CheckRange(const DeviceItem& item, const DeviceSong& song, long long start);
    void ProbeSuperScroll(int id, const std::vector<DeviceItem>& items,
                          const std::vector<std::string>& names);
    void CheckRandomStream(int id, const std::vector<int>& songs, const std::string& what);
    const DeviceSong* SongAt(const std::string& path) const;

    DeviceSimulator& device_;
    const DeviceLibrary& library_;
    DeviceTree tree_;
    int nextId_ = 3; // after the root and the global random stream
    std::map<std::string, std::vector<int>> shareSongs_;
    std::map<std::string, int> shareStreams_;
    std::set<std::string> reached_;
};

} // namespace tb::test
