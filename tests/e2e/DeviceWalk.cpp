#include "DeviceWalk.h"

#include "ServerProcess.h"
#include "support/AudioTools.h"

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <strings.h>
#include <sys/stat.h>

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

// One mutagen statement that tags the staged file with ID3v2.3 frames; the
// texts go in as hex, so that any bytes survive.
std::string TagStatement(const std::string& path, const DeviceSongTags& tags) {
    std::string s = "tag('" + Hex(path) + "', [";
    for (const auto& [id, text] : {std::pair{"TIT2", &tags.title},
                                   {"TPE1", &tags.artist},
                                   {"TALB", &tags.album},
                                   {"TRCK", &tags.track},
                                   {"TCON", &tags.genre},
                                   {"TDRC", &tags.year}})
        if (!text->empty())
            s += std::string("('") + id + "', '" + Hex(*text) + "'),";
    return s + "])\n";
}

const char* const StreamName = "[Random stream]";

// The file name less its extension.
std::string BaseName(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    return name.substr(0, name.size() - 4);
}

class Walk {
public:
    Walk(DeviceSimulator& device, const DeviceLibrary& library)
        : device_(device), library_(library) {}

    DeviceTree Run() {
        auto root = device_.List(1, false, "root");
        if (!root)
            return tree_;
        tree_.etag = root->etag;
        tree_.nodes[1] = {DeviceNode::Kind::Root, 1, {}, {}, nullptr};
        std::vector<DeviceShare> shares = library_.shares;
        std::stable_sort(shares.begin(), shares.end(), [](const auto& a, const auto& b) {
            return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
        });
        if (root->items.size() != shares.size())
            device_.Problem("the root lists " + std::to_string(root->items.size()) + " items");
        for (size_t i = 0; i < root->items.size() && i < shares.size(); ++i) {
            const DeviceItem& item = root->items[i];
            tree_.nodes[1].children.push_back(item.nodeId);
            CheckId(item, "root item '" + item.name + "'");
            if (!item.folder || item.marked || item.name != shares[i].name)
                device_.Problem("root item " + std::to_string(i) + " is '" + item.name +
                                "', expected the share '" + shares[i].name + "' unmarked");
            else
                WalkFolder(item, shares[i].path, shares[i].name, true);
        }
        // A start past the end: the counts as computed, no items.
        device_.CheckPage(device_.Browse(1, root->total + 2, 4), root->total + 2, 4, "past end");
        std::vector<int> all;
        for (const auto& [share, id] : shareStreams_) {
            CheckRandomStream(id, shareSongs_[share], "random stream of '" + share + "'");
            all.insert(all.end(), shareSongs_[share].begin(), shareSongs_[share].end());
        }
        CheckRandomStream(2, all, "global random stream");
        for (const DeviceSong& song : library_.songs)
            if (!reached_.count(song.path))
                device_.Problem("song never reached: " + song.path);
        return tree_;
    }

private:
    struct DiskEntry {
        enum class Kind { Stream, Folder, Song } kind;
        std::string name;
    };

    static std::vector<DiskEntry> ListDisk(const std::string& path, bool shareTop) {
        std::vector<DiskEntry> folders, songs;
        if (shareTop)
            folders.push_back({DiskEntry::Kind::Stream, StreamName});
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir)) {
                std::string name = entry->d_name;
                struct stat info {};
                if (name[0] == '.' || stat((path + "/" + name).c_str(), &info) != 0)
                    continue;
                if (S_ISDIR(info.st_mode))
                    folders.push_back({DiskEntry::Kind::Folder, name});
                else if (S_ISREG(info.st_mode) && name.size() >= 4 &&
                         strcasecmp(name.c_str() + name.size() - 4, ".mp3") == 0)
                    songs.push_back({DiskEntry::Kind::Song, name});
            }
            closedir(dir);
        }
        folders.insert(folders.end(), songs.begin(), songs.end());
        return folders;
    }

    void CheckId(const DeviceItem& item, const std::string& what) {
        if (item.nodeId != nextId_)
            device_.Problem(what + ": ID " + std::to_string(item.nodeId) + ", expected " +
                            std::to_string(nextId_));
        nextId_ = item.nodeId + 1; // one report for one misplaced number
    }

    void WalkFolder(const DeviceItem& item, const std::string& path, const std::string& share,
                    bool shareTop) {
        tree_.nodes[item.nodeId] = {DeviceNode::Kind::Folder, item.nodeId, item, {}, nullptr};
        std::string what = "folder '" + item.name + "'";
        auto listing = device_.List(item.nodeId, false, what);
        if (!listing)
            return;
        if (listing->etag != tree_.etag)
            device_.Problem(what + ": the index changed during the walk");
        std::vector<DiskEntry> disk = ListDisk(path, shareTop);
        if (listing->items.size() != disk.size())
            device_.Problem(what + " lists " + std::to_string(listing->items.size()) +
                            " items; its folder holds " + std::to_string(disk.size()));
        for (size_t k = 0; k < listing->items.size() && k < disk.size(); ++k) {
            const DeviceItem& child = listing->items[k];
            const DiskEntry& entry = disk[k];
            tree_.nodes[item.nodeId].children.push_back(child.nodeId);
            std::string name =
                "child '" + child.name + "' (" + std::to_string(child.nodeId) + ") of " + what;
            CheckId(child, name);
            if (entry.kind == DiskEntry::Kind::Song) {
                if (child.folder)
                    device_.Problem(name + ": expected song file '" + entry.name + "'");
                else
                    CheckSong(child, path + "/" + entry.name, share);
            } else if (!child.folder || child.name != entry.name ||
                       child.marked != (entry.kind == DiskEntry::Kind::Folder)) {
                device_.Problem(
                    name + ": expected " +
                    (entry.kind == DiskEntry::Kind::Folder ? "marked folder '" : "unmarked '") +
                    entry.name + "'");
            } else if (entry.kind == DiskEntry::Kind::Stream) {
                shareStreams_[share] = child.nodeId;
                tree_.nodes[child.nodeId] = {
                    DeviceNode::Kind::RandomStream, child.nodeId, child, {}, nullptr};
            } else {
                WalkFolder(child, path + "/" + entry.name, share, false);
            }
        }
    }

    void CheckSong(const DeviceItem& item, const std::string& path, const std::string& share) {
        auto found = std::find_if(library_.songs.begin(), library_.songs.end(),
                                  [&](const DeviceSong& s) { return s.path == path; });
        if (found == library_.songs.end()) {
            device_.Problem("an MP3 file the test did not make: " + path);
            return;
        }
        const DeviceSong& song = *found;
        tree_.nodes[item.nodeId] = {DeviceNode::Kind::Song, item.nodeId, item, {}, &song};
        shareSongs_[share].push_back(item.nodeId);
        if (!reached_.insert(path).second)
            device_.Problem("song reached twice: " + path);

        std::string what = "song " + std::to_string(item.nodeId) + " (" + path + ")";
        const DeviceSongTags& t = song.tags;
        std::string title = t.title.empty() ? BaseName(path) : t.title;
        std::string seen = item.name + "|" + item.title + "|" + item.album + "|" + item.artist +
                           "|" + item.trackno + "|" + item.genre + "|" + item.year + "|" +
                           item.bitrate + "|" + item.url;
        std::string expected = title + "|" + title + "|" + t.album + "|" + t.artist + "|" +
                               t.track + "|" + t.genre + "|" + t.year + "|32|" +
                               device_.StreamUrl(item.nodeId);
        if (seen != expected)
            device_.Problem(what + ": item " + seen + ", expected " + expected);
        if (item.playlength.empty() ||
            item.playlength.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(item.playlength) > song.seconds + 1)
            device_.Problem(what + ": length '" + item.playlength + "'");

        Answer answer = device_.Stream(item.url);
        std::string stream = t.artist + " - " + t.album + " - " + t.title;
        stream = stream == " -  - " ? BaseName(path) : stream;
        std::string etag =
            "\"" + FileTimeTag(path) + "x" + std::to_string(song.bytes.size()) + "\"";
        if (!answer.Complete() || answer.status != "HTTP/1.1 200 OK" ||
            answer.Value("Content-type") != "audio/mp3" || answer.body != song.bytes ||
            answer.Value("icy-name") != stream || answer.Value("ETag") != etag)
            device_.Problem("stream of " + path + ": " + answer.Describe() + ", icy-name '" +
                            answer.Value("icy-name") + "', ETag " + answer.Value("ETag") +
                            (answer.body == song.bytes ? "" : ", other bytes than the file"));
        ++tree_.songsStreamed;
    }

    void CheckRandomStream(int id, std::vector<int> songs, const std::string& what) {
        ++tree_.randomStreams;
        auto listing = device_.List(id, true, what);
        if (!listing)
            return;
        DeviceNode& node = tree_.nodes[id];
        node.kind = DeviceNode::Kind::RandomStream;
        node.id = id;
        for (const DeviceItem& item : listing->items) {
            node.children.push_back(item.nodeId);
            auto known = tree_.nodes.find(item.nodeId);
            if (known == tree_.nodes.end() || !known->second.song ||
                known->second.item.url != item.url || known->second.item.title != item.title)
                device_.Problem(what + ": item " + std::to_string(item.nodeId) +
                                " is not the song listed in its folder");
        }
        std::vector<int> listed = node.children;
        std::sort(listed.begin(), listed.end());
        std::sort(songs.begin(), songs.end());
        if (listed != songs || listing->total != static_cast<long long>(songs.size()))
            device_.Problem(what + ": not a permutation of the share's songs");
        // A random stream has no superScroll: the window stays where it was asked.
        if (listing->total > 1)
            device_.CheckPage(device_.Browse(id, 1, 3, "Z"), 1, 3, what + " with superScroll");
    }

    DeviceSimulator& device_;
    const DeviceLibrary& library_;
    DeviceTree tree_;
    int nextId_ = 3; // after the root and the global random stream
    std::map<std::string, std::vector<int>> shareSongs_;
    std::map<std::string, int> shareStreams_;
    std::set<std::string> reached_;
};

} // namespace

DeviceTree WalkTree(DeviceSimulator& device, const DeviceLibrary& library) {
    return Walk(device, library).Run();
}

bool DeviceSongMaker::ToolsPresent() {
    return HaveLame() && HaveMutagen();
}

void DeviceSongMaker::Add(const std::string& path, int seconds, const DeviceSongTags& tags) {
    queued_.push_back({path, "", tags, seconds});
}

std::vector<DeviceSong> DeviceSongMaker::Make() {
    std::filesystem::create_directories(staging_);
    std::string script = "import mutagen.id3 as id3\n"
                         "def tag(path, frames):\n"
                         "    t = id3.ID3()\n"
                         "    for name, text in frames:\n"
                         "        t.add(getattr(id3, name)(encoding=0, "
                         "text=bytes.fromhex(text).decode('latin-1')))\n"
                         "    t.update_to_v23()\n"
                         "    t.save(bytes.fromhex(path).decode('latin-1'), v2_version=3)\n";
    std::vector<std::string> staged;
    for (const DeviceSong& song : queued_) {
        int n = made_++;
        std::string wav = staging_ + "/tone.wav";
        std::string mp3 = staging_ + "/song-" + std::to_string(n) + ".mp3";
        WriteToneWav(wav, 16000, 1, song.seconds, 180.0 + 23.0 * n);
        if (!RunLame("-b 32 --cbr", wav, mp3))
            throw std::runtime_error("lame failed");
        const DeviceSongTags& t = song.tags;
        if (!(t.title + t.artist + t.album + t.track + t.genre + t.year).empty())
            script += TagStatement(mp3, song.tags);
        staged.push_back(mp3);
    }
    std::ofstream(staging_ + "/tag.py") << script;
    if (RunCommand(MutagenPython() + " " + ShellQuote(staging_ + "/tag.py")).status != 0)
        throw std::runtime_error("mutagen failed");
    std::vector<DeviceSong> made = std::move(queued_);
    queued_.clear();
    for (size_t i = 0; i < made.size(); ++i) {
        made[i].bytes = ReadFileBytes(staged[i]);
        std::filesystem::create_directories(std::filesystem::path(made[i].path).parent_path());
        std::filesystem::rename(staged[i], made[i].path);
    }
    return made;
}

bool StoreShares(const std::string& configDir, const std::vector<DeviceShare>& shares) {
    for (const DeviceShare& share : shares)
        if (Config(configDir, "share add " + ShellQuote(share.name) + " " + ShellQuote(share.path))
                .status != 0)
            return false;
    return true;
}

} // namespace tb::test
