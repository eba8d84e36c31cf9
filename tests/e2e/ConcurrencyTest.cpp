// One real library, walked, decoded and browsed through the real server:
// simulated players walk the whole tree of generated MP3 files, curl and
// mpg123 check the streams from outside, then fifty players browse and
// stream at once while the index is rebuilt every half second and files
// come and go in one share. Built with the thread sanitizer, the server
// must also run without a race report.
#include "ServerProcess.h"
#include "support/AudioTools.h"
#include "support/DeviceSimulator.h"
#include "support/RequireTool.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <strings.h>

namespace tb::test {
namespace {

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

std::string Hex(const std::string& text) {
    std::string hex;
    for (unsigned char c : text) {
        hex += "0123456789abcdef"[c >> 4];
        hex += "0123456789abcdef"[c & 15];
    }
    return hex;
}

// One mutagen statement that tags the staged file with ID3v2.3 frames (none
// for a song without tags); the texts go in as hex, so that any bytes survive.
std::string TagStatement(const std::string& path, const DeviceSongTags& tags) {
    std::string frames;
    for (const auto& [id, text] : {std::pair{"TIT2", &tags.title},
                                   {"TPE1", &tags.artist},
                                   {"TALB", &tags.album},
                                   {"TRCK", &tags.track},
                                   {"TCON", &tags.genre},
                                   {"TDRC", &tags.year}})
        if (!text->empty())
            frames += std::string("('") + id + "', '" + Hex(*text) + "'),";
    return frames.empty() ? "" : "tag('" + Hex(path) + "', [" + frames + "])\n";
}

const char* const StreamName = "[Random stream]";

// The file name less its extension.
std::string BaseName(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    return name.substr(0, name.size() - 4);
}

// Walks the whole tree with one device and checks it against the files on
// disk, noting what differs as the device's problems: the root lists the
// shares in name order (case ignored); a folder lists (a share's top folder
// first its random stream, then) its sub-folders and then its MP3 files in
// the order the file system lists them, hidden entries left out; wire IDs
// number the tree depth-first (root 1, the global random stream 2); folder
// names carry the 0x8F byte below the first level; every song's item and
// stream match its file and tags; every random stream lists its share's
// songs (the global one all songs) once each.
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
        if (root->data->items.size() != shares.size())
            device_.Problem("the root lists " + std::to_string(root->data->items.size()) +
                            " items");
        for (size_t i = 0; i < root->data->items.size() && i < shares.size(); ++i) {
            const DeviceItem& item = root->data->items[i];
            tree_.nodes[1].children.push_back(item.nodeId);
            CheckId(item, "root item '" + item.name + "'");
            if (!item.folder || item.marked || item.name != shares[i].name)
                device_.Problem("root item " + std::to_string(i) + " is '" + item.name +
                                "', expected the share '" + shares[i].name + "' unmarked");
            else
                WalkFolder(item, shares[i].path, shares[i].name, true);
        }
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
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
            std::string name = entry.path().filename();
            if (name[0] == '.')
                continue;
            if (entry.is_directory(error))
                folders.push_back({DiskEntry::Kind::Folder, name});
            else if (entry.is_regular_file(error) && name.size() >= 4 &&
                     strcasecmp(name.c_str() + name.size() - 4, ".mp3") == 0)
                songs.push_back({DiskEntry::Kind::Song, name});
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
        if (listing->data->items.size() != disk.size())
            device_.Problem(what + " lists " + std::to_string(listing->data->items.size()) +
                            " items; its folder holds " + std::to_string(disk.size()));
        for (size_t k = 0; k < listing->data->items.size() && k < disk.size(); ++k) {
            const DeviceItem& child = listing->data->items[k];
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
        for (const DeviceItem& item : listing->data->items) {
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
        if (listed != songs || listing->data->total != static_cast<long long>(songs.size()))
            device_.Problem(what + ": not a permutation of the share's songs");
    }

    DeviceSimulator& device_;
    const DeviceLibrary& library_;
    DeviceTree tree_;
    int nextId_ = 3; // after the root and the global random stream
    std::map<std::string, std::vector<int>> shareSongs_;
    std::map<std::string, int> shareStreams_;
    std::set<std::string> reached_;
};

// Makes real MP3 files: a tone of its own per file encoded by lame, ID3v2.3
// tags written by mutagen in one Python run. Files are made under plain
// names in `staging` and then renamed to their (possibly odd) paths.
std::vector<DeviceSong> MakeSongs(const std::string& staging, std::vector<DeviceSong> songs) {
    std::filesystem::create_directories(staging);
    std::string script = "import mutagen.id3 as id3\n"
                         "def tag(path, frames):\n"
                         "    t = id3.ID3()\n"
                         "    for name, text in frames:\n"
                         "        t.add(getattr(id3, name)(encoding=0, "
                         "text=bytes.fromhex(text).decode('latin-1')))\n"
                         "    t.update_to_v23()\n"
                         "    t.save(bytes.fromhex(path).decode('latin-1'), v2_version=3)\n";
    auto staged = [&](size_t n) { return staging + "/song-" + std::to_string(n) + ".mp3"; };
    for (size_t n = 0; n < songs.size(); ++n) {
        WriteToneWav(staging + "/tone.wav", 16000, 1, songs[n].seconds, 180.0 + 23.0 * n);
        if (!RunLame("-b 32 --cbr", staging + "/tone.wav", staged(n)))
            throw std::runtime_error("lame failed");
        script += TagStatement(staged(n), songs[n].tags);
    }
    std::ofstream(staging + "/tag.py") << script;
    if (RunCommand(MutagenPython() + " " + ShellQuote(staging + "/tag.py")).status != 0)
        throw std::runtime_error("mutagen failed");
    for (size_t n = 0; n < songs.size(); ++n) {
        songs[n].bytes = ReadFileBytes(staged(n));
        std::filesystem::create_directories(std::filesystem::path(songs[n].path).parent_path());
        std::filesystem::rename(staged(n), songs[n].path);
    }
    return songs;
}

using Clock = std::chrono::steady_clock;

constexpr int Players = 50;
constexpr auto RebuildEvery = std::chrono::milliseconds(500);
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr auto Duration = std::chrono::seconds(20);
constexpr int RequestsPerPlayer = 120;
#else
constexpr auto Duration = std::chrono::seconds(12);
constexpr int RequestsPerPlayer = 200;
#endif

// Three shares: nested albums with full tags; odd file and folder names
// (spaces, "&", "<", bytes that are not UTF-8, the 0x8F byte, hidden
// entries, an empty folder, an upper-case extension) with odd or missing
// tags; and a deep tree with partial tags. "beta" sorts between the other
// two only when case is ignored.
DeviceLibrary MakeLibrary(const TempDir& music) {
    std::vector<DeviceSong> songs;
    auto add = [&](const std::string& path, DeviceSongTags tags) {
        size_t n = songs.size();
        songs.push_back({music / path, "", tags, static_cast<int>(1 + n % 6 + (n % 17 == 5) * 10)});
    };
    for (int a = 1; a <= 3; ++a)
        for (int b = 1; b <= 2; ++b)
            for (int s = 1; s <= 4; ++s) {
                std::string artist = "Artist " + std::to_string(a);
                std::string album = "Album " + std::to_string(a) + "." + std::to_string(b);
                std::string title = "Song " + std::to_string(a * 100 + b * 10 + s);
                add("alpha/" + artist + "/" + album + "/0" + std::to_string(s) + " - " + title +
                        ".mp3",
                    {title, artist, album, std::to_string(s), "Rock", std::to_string(1990 + a)});
            }
    for (const char* name :
         {"with  two  spaces .mp3", "Rock & Roll.mp3", "a<b>c.mp3", "caf\xE9 latin1.mp3",
          "\xFF\xFE raw.mp3", "upper case.MP3", "mark\x8Fin between.mp3", "[brackets].mp3",
          "~tilde.mp3", "0 - zero.mp3", "quote's \"q\".mp3", "zzz last.mp3",
          "Tom & Jerry <Live>/x\x8F.mp3", ".hidden folder/never.mp3", ".hidden.mp3"})
        add(std::string("beta/") + name, {});
    add("beta/Odd \xE9 folder/tagged.mp3",
        {"Tom & Jerry <live>", "AC/DC & <Friends>", "Caf\xE9 Album", "7", "Jazz", "2001"});
    add("beta/Odd \xE9 folder/title only.mp3", {"Only a title", "", "", "", "", ""});
    add("beta/ spaces  in  folder /artist only.mp3", {"", "Lonely Artist", "", "", "", ""});
    std::string path = "gamma";
    for (int level = 1; level <= 4; ++level) {
        path += "/Level " + std::to_string(level);
        for (int s = 1; s <= 3; ++s)
            add(path + "/deep " + std::to_string(level * 10 + s) + ".mp3",
                {"Deep " + std::to_string(level * 10 + s), "", "Depths", "", "", ""});
    }
    add("gamma/top song.mp3", {"Top", "Gamma", "Surface", "1", "Pop", "2020"});

    DeviceLibrary library;
    library.shares = {{"Gamma Deep", music / "gamma"},
                      {"Alpha Rock", music / "alpha"},
                      {"beta & <odd> names", music / "beta"}};
    for (DeviceSong& song : MakeSongs(music / ".staging", std::move(songs)))
        if (song.path.find("/.") == std::string::npos)
            library.songs.push_back(std::move(song));
    music.MakeDir("beta/empty folder");
    music.Write("beta/notes.txt", "not a song");
    music.Write("beta/not a song.mp3.txt", "not a song either");
    return library;
}

// Runs `command` with bash, failing when any part of a pipeline fails.
CommandResult Bash(const std::string& command) {
    return RunCommand("bash -c " + ShellQuote("set -o pipefail; " + command));
}

std::string Curl(const std::string& options, const std::string& url) {
    return "curl -s --noproxy '*' --max-time 60 -A 'Streamium/1.0' " + options + " " +
           ShellQuote(url);
}

void CheckWithOutsideTools(const DeviceTree& tree) {
    auto find = [&](const std::string& ending) -> const DeviceNode* {
        for (const auto& [id, node] : tree.nodes)
            if (node.song && node.song->path.ends_with(ending))
                return &node;
        ADD_FAILURE() << "no song ends with " << ending;
        return nullptr;
    };
    // mpg123 decodes the stream as it decodes the file: 16-bit mono at
    // 16 kHz, the tone's length plus at most the coder's delay and padding.
    for (const char* ending : {"/01 - Song 111.mp3", "/Odd \xE9 folder/tagged.mp3", "/a<b>c.mp3"}) {
        const DeviceNode* node = find(ending);
        if (!node)
            continue;
        CommandResult streamed = Bash(Curl("", node->item.url) + " | mpg123 -q -s -");
        CommandResult local = Bash("mpg123 -q -s " + ShellQuote(node->song->path));
        EXPECT_EQ(streamed.status, 0) << ending;
        EXPECT_EQ(local.status, 0) << ending;
        EXPECT_TRUE(streamed.output == local.output) << ending;
        size_t samples = streamed.output.size() / 2;
        EXPECT_GE(samples, 16000u * node->song->seconds) << ending;
        EXPECT_LE(samples, 16000u * node->song->seconds + 2 * 576 * 2) << ending;
    }
    // curl asking for a range gets exactly the tail of the file.
    const DeviceNode* deep = find("/Level 4/deep 43.mp3");
    ASSERT_TRUE(deep && deep->song->bytes.size() > 3000);
    std::string tail = deep->song->bytes.substr(1000);
    CommandResult got = Bash(Curl("-r 1000-", deep->item.url));
    EXPECT_EQ(got.status, 0); // curl fails on a body shorter than announced
    EXPECT_TRUE(got.output == tail) << got.output.size() << " bytes";
}

// What the first walk saw. The changing share is named to come last, and
// wire IDs count depth-first, so the other nodes keep their IDs.
struct Reference {
    const DeviceTree& tree;
    const std::vector<DeviceSong>& stable; // the songs of the other shares, as made
    int churnTop = 0;                      // wire ID of the changing share's folder
    std::vector<int> lists, songs;

    Reference(const DeviceTree& t, const std::vector<DeviceSong>& made)
        : tree(t), stable(made), churnTop(t.nodes.at(1).children.back()) {
        for (const auto& [id, node] : tree.nodes)
            if (id != 2 && id < churnTop) // the global random stream holds every song
                (node.song ? songs : lists).push_back(id);
    }
    const DeviceNode& Node(int id) const { return tree.nodes.at(id); }
    // Slot k of the changing share holds copies of the first songs 3k to
    // 3k + 2, tags and all: the slot of a title, or -1.
    int SlotOf(const std::string& title) const {
        for (size_t i = 0; i < 3 * Slots; ++i)
            if (stable[i].tags.title == title)
                return static_cast<int>(i / 3);
        return -1;
    }
    bool FitsSlot(int slot, const std::string& bytes) const {
        for (size_t i = 0; i < 3 * Slots; ++i)
            if ((slot < 0 || static_cast<int>(i / 3) == slot) && stable[i].bytes == bytes)
                return true;
        return false;
    }
    static constexpr size_t Slots = 8;
};

// One player: a random mix of what devices do, each answer checked as far
// as a changing tree allows.
class Player {
public:
    Player(int port, int index, const Reference& reference)
        : device_(port, "00c0ffee000000" + std::to_string(100 + index).substr(1)),
          rng_(static_cast<unsigned>(index) * 7919u + 1), reference_(reference) {}

    void Run(Clock::time_point deadline) {
        BrowseStable(1); // a player is admitted by its first browse, then plays
        while (Clock::now() < deadline && device_.Requests() < RequestsPerPlayer) {
            int dice = static_cast<int>(rng_() % 100);
            if (dice < 35)
                BrowseStable(Pick(reference_.lists));
            else if (dice < 60)
                PlayStable();
            else
                ExploreChurn();
            std::this_thread::sleep_for(std::chrono::milliseconds(2 + rng_() % 15));
        }
    }

    const DeviceSimulator& Device() const { return device_; }
    int pages = 0, streams = 0, churnStreams = 0, churnSilent = 0;

private:
    int Pick(const std::vector<int>& ids) { return ids[rng_() % ids.size()]; }
    long long Window() { return 3 + static_cast<long long>(rng_() % 5); }

    // Equal apart from the stream URL, which names the device.
    bool SameItem(const DeviceItem& item, const DeviceItem& before) const {
        return (item.folder || item.url == device_.StreamUrl(item.nodeId)) &&
               item.folder == before.folder && item.marked == before.marked &&
               item.name == before.name && item.title == before.title &&
               item.album == before.album && item.artist == before.artist &&
               item.trackno == before.trackno && item.year == before.year;
    }

    // A page of a folder or random stream that does not change lists what
    // the first walk saw there (a random stream: its songs, once each).
    void BrowseStable(int id) {
        const DeviceNode& node = reference_.Node(id);
        long long total = static_cast<long long>(node.children.size());
        long long from = id == 1 ? 0 : static_cast<long long>(rng_() % (total + 1));
        long long window = Window();
        DevicePage page = device_.Browse(id, from, window);
        std::string what = "stable node " + std::to_string(id);
        if (!device_.CheckPage(page, from, window, what))
            return;
        ++pages;
        if (page.data->total != total)
            device_.Problem(what + ": totnumelem " + std::to_string(page.data->total));
        std::set<int> listed;
        for (size_t k = 0; k < page.data->items.size(); ++k) {
            const DeviceItem& item = page.data->items[k];
            size_t at = static_cast<size_t>(from) + k;
            bool inPlace =
                node.kind == DeviceNode::Kind::RandomStream
                    ? std::count(node.children.begin(), node.children.end(), item.nodeId) == 1 &&
                          listed.insert(item.nodeId).second
                    : at < node.children.size() && node.children[at] == item.nodeId;
            if (!inPlace || !SameItem(item, reference_.Node(item.nodeId).item))
                device_.Problem(what + ": item " + std::to_string(item.nodeId) + " at " +
                                std::to_string(at) + " is not as before");
        }
    }

    // Whole, from a range start, or hung up early.
    void PlayStable() {
        const DeviceNode& node = reference_.Node(Pick(reference_.songs));
        const std::string& bytes = node.song->bytes;
        std::string url = device_.StreamUrl(node.id);
        int mode = static_cast<int>(rng_() % 5);
        if (mode == 0)
            return device_.StreamAndHangUp(url, std::chrono::milliseconds(rng_() % 5));
        long long start = mode == 1 ? static_cast<long long>(rng_() % (bytes.size() + 1)) : -1;
        Answer answer = device_.Stream(url, start);
        ++streams;
        if (!answer.Complete() || answer.status != "HTTP/1.1 200 OK" ||
            answer.body != bytes.substr(start > 0 ? static_cast<size_t>(start) : 0))
            device_.Problem("stable song " + node.song->path + " from " + std::to_string(start) +
                            ": " + answer.Describe() + ", other bytes than the file");
    }

    // Lists the changing share and plays one of its songs: whole bytes of a
    // file its slot held, or none when its file or node went away. IDs hold
    // within one build only.
    void ExploreChurn() {
        auto listing = device_.List(reference_.churnTop, false, "changing share", true);
        if (!listing)
            return;
        ++pages;
        for (const DeviceItem& item : listing->data->items)
            if (item.nodeId <= reference_.churnTop ||
                !(item.folder ? (item.name == "[Random stream]" && !item.marked) ||
                                    (item.name == "sub" && item.marked)
                              : reference_.SlotOf(item.title) >= 0 &&
                                    item.url == device_.StreamUrl(item.nodeId)))
                device_.Problem("changing share: unexpected item " + std::to_string(item.nodeId) +
                                " '" + item.name + "'");
        const DeviceItem pick = listing->data->items[rng_() % listing->data->items.size()];
        if (pick.folder)
            return;
        Answer answer = device_.Stream(pick.url);
        ++churnStreams;
        churnSilent += answer.raw.empty();
        // Another build may since have given the ID to another file.
        if (!answer.raw.empty() &&
            (!answer.Complete() ||
             !reference_.FitsSlot(reference_.SlotOf(pick.title), answer.body)) &&
            (!answer.Complete() || !reference_.FitsSlot(-1, answer.body) ||
             device_.Browse(1, 1, 3).etag == listing->etag)) // from 1: no new seed
            device_.Problem("changing song '" + pick.title + "': " + answer.Describe() +
                            ", bytes of no file its slot held");
    }

    DeviceSimulator device_;
    std::mt19937 rng_;
    const Reference& reference_;
};

TEST(ConcurrencyTest, ARealLibraryIsWalkedDecodedAndPlayedWhileTheIndexIsRebuilt) {
    TB_REQUIRE_TOOL(HaveLame() && HaveMutagen(), "lame or python3-mutagen");
    TempDir music, config;
    const DeviceLibrary stable = MakeLibrary(music);
    // The changing share: slots, every other one level down, each absent
    // or holding a copy of one of its three songs. A new file is written
    // under a hidden name and renamed into place, so a reader sees one
    // whole file.
    std::filesystem::create_directories(music / "zz/sub");
    std::vector<int> slots(Reference::Slots, -1);
    auto slotPath = [&](size_t slot) {
        return music / ("zz/" + std::string(slot % 2 ? "sub/" : "") + "churn " +
                        std::to_string(slot) + ".mp3");
    };
    std::mt19937 rng(2024);
    auto churn = [&](int operations) {
        for (int i = 0; i < operations; ++i) {
            size_t slot = rng() % slots.size();
            if (slots[slot] >= 0 && rng() % 2 == 0) {
                std::filesystem::remove(slotPath(slot));
                slots[slot] = -1;
                continue;
            }
            slots[slot] = static_cast<int>(3 * slot + rng() % 3);
            std::ofstream(music / "zz/.incoming") << stable.songs[slots[slot]].bytes;
            std::filesystem::rename(music / "zz/.incoming", slotPath(slot));
        }
    };
    churn(10);
    auto expected = [&] {
        DeviceLibrary all = stable;
        all.shares.push_back({"Zz Churn", music / "zz"});
        for (size_t slot = 0; slot < slots.size(); ++slot)
            if (slots[slot] >= 0) {
                all.songs.push_back(stable.songs[static_cast<size_t>(slots[slot])]);
                all.songs.back().path = slotPath(slot);
            }
        return all;
    };
    const DeviceLibrary before = expected(); // the walks' trees point into it
    for (const DeviceShare& share : before.shares)
        ASSERT_EQ(Config(config.Path(),
                         "share add " + ShellQuote(share.name) + " " + ShellQuote(share.path))
                      .status,
                  0);
    ASSERT_EQ(Config(config.Path(), "set General/MaxAutoUnits 100").status, 0);
    ServerProcess server({"--config-dir", config.Path()});
    server.WaitForIndex();
    int port = server.Port();

    DeviceSimulator first(port, "00a1b2c3d4e5f601");
    DeviceTree tree = Walk(first, before).Run();
    ASSERT_TRUE(first.Problems().empty()) << FirstProblems(first.Problems());
    EXPECT_EQ(tree.songsStreamed, static_cast<int>(before.songs.size()));
    EXPECT_EQ(tree.randomStreams, 5); // one per share and the global one
    EXPECT_NE(server.WaitForLine("New unit 'Unit f601' (00a1b2c3d4e5f601) admitted from "
                                 "127.0.0.1."),
              "");
    CheckWithOutsideTools(tree);

    Reference reference(tree, stable.songs);
    ASSERT_EQ(tree.nodes.at(reference.churnTop).item.name, "Zz Churn");
    std::vector<std::unique_ptr<Player>> players;
    std::vector<std::thread> threads;
    auto deadline = Clock::now() + Duration;
    for (int i = 0; i < Players; ++i) {
        players.push_back(std::make_unique<Player>(port, i, reference));
        threads.emplace_back([player = players.back().get(), deadline] { player->Run(deadline); });
    }
    int rebuilds = 0;
    for (auto tick = Clock::now() + RebuildEvery; tick < deadline; tick += RebuildEvery) {
        std::this_thread::sleep_until(tick);
        churn(2);
        kill(server.Pid(), SIGHUP);
        if (server.WaitForLine("Created ", std::chrono::seconds(60), rebuilds + 2).empty())
            break;
        ++rebuilds;
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_GE(rebuilds, 5) << "a rebuild did not end within a minute";

    std::vector<std::string> problems;
    int streams = 0, churnStreams = 0, churnSilent = 0;
    for (const auto& player : players) {
        const auto& own = player->Device().Problems();
        problems.insert(problems.end(), own.begin(), own.end());
        EXPECT_GT(player->pages, 0) << player->Device().Eui64();
        streams += player->streams;
        churnStreams += player->churnStreams;
        churnSilent += player->churnSilent;
    }
    EXPECT_TRUE(problems.empty()) << FirstProblems(problems);
    EXPECT_GT(streams, 0);
    EXPECT_GT(churnStreams, churnSilent);

    // Still answering, and the last build is the disk as it is now.
    DeviceSimulator last(port, "00c0ffee0000fffe");
    Walk(last, expected()).Run();
    EXPECT_TRUE(last.Problems().empty()) << FirstProblems(last.Problems());
    EXPECT_EQ(server.Stop(SIGTERM), 0);
    EXPECT_EQ(server.SanitizerReports(), "");
}

} // namespace
} // namespace tb::test
