#include "DeviceWalk.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace tb::test {
namespace {

const char* const StreamName = "[Random stream]";

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The file name less its last four characters (the extension).
std::string WithoutExtension(const std::string& name) {
    return name.substr(0, name.size() >= 4 ? name.size() - 4 : 0);
}

std::string ExpectedTitle(const DeviceSong& song) {
    return song.tags.title.empty() ? WithoutExtension(BaseName(song.path)) : song.tags.title;
}

std::string ExpectedStreamTitle(const DeviceSong& song) {
    std::string title = song.tags.artist + " - " + song.tags.album + " - " + song.tags.title;
    return title == " -  - " ? WithoutExtension(BaseName(song.path)) : title;
}

// The superScroll comparison: first characters upper-cased (ASCII only),
// compared as signed character codes.
signed char Upper(const std::string& text) {
    char c = text.empty() ? '\0' : text[0];
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    return static_cast<signed char>(c);
}

bool IsMp3Name(const std::string& name) {
    return name.size() >= 4 && strcasecmp(name.c_str() + name.size() - 4, ".mp3") == 0;
}

} // namespace

long long SuperScrollTarget(const std::vector<std::string>& names, long long from,
                            const std::string& letter) {
    for (long long k = std::max(0LL, from); k < static_cast<long long>(names.size()); ++k)
        if (Upper(names[static_cast<size_t>(k)]) >= Upper(letter))
            return k;
    return from;
}

std::string SortName(const DeviceNode& node) {
    return node.song ? BaseName(node.song->path) : node.item.name;
}

std::vector<DeviceWalk::DiskEntry> DeviceWalk::ListDisk(const std::string& path, bool shareTop) {
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
            else if (S_ISREG(info.st_mode) && IsMp3Name(name))
                songs.push_back({DiskEntry::Kind::Song, name});
        }
        closedir(dir);
    }
    folders.insert(folders.end(), songs.begin(), songs.end());
    return folders;
}

void DeviceWalk::CheckId(const DeviceItem& item, const std::string& what) {
    if (item.nodeId != nextId_)
        device_.Problem(what + ": ID " + std::to_string(item.nodeId) + ", expected depth-first " +
                        std::to_string(nextId_));
    nextId_ = item.nodeId + 1; // one report for one misplaced number
}

const DeviceSong* DeviceWalk::SongAt(const std::string& path) const {
    for (const DeviceSong& song : library_.songs)
        if (song.path == path)
            return &song;
    return nullptr;
}

DeviceTree DeviceWalk::Run() {
    auto root = device_.List(1, false, "root");
    if (!root)
        return tree_;
    tree_.etag = root->etag;
    DeviceNode& rootNode = tree_.nodes[1];
    rootNode.kind = DeviceNode::Kind::Root;
    rootNode.id = 1;
    std::vector<DeviceShare> shares = library_.shares;
    std::stable_sort(shares.begin(), shares.end(), [](const auto& a, const auto& b) {
        return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    if (root->items.size() != shares.size())
        device_.Problem("the root lists " + std::to_string(root->items.size()) + " items for " +
                        std::to_string(shares.size()) + " shares");
    for (size_t i = 0; i < root->items.size() && i < shares.size(); ++i) {
        const DeviceItem& item = root->items[i];
        rootNode.children.push_back(item.nodeId);
        CheckId(item, "root item '" + item.name + "'");
        if (!item.folder || item.marked || item.name != shares[i].name)
            device_.Problem("root item " + std::to_string(i) + " is '" + item.name +
                            (item.marked ? "' with the marker byte" : "'") +
                            ", expected the share folder '" + shares[i].name + "'");
        if (item.folder && item.name == shares[i].name)
            WalkFolder(item, shares[i].path, shares[i].name, true);
    }
    // A start past the end: the counts as computed, no items.
    device_.CheckPage(device_.Browse(1, root->total + 2, 4), root->total + 2, 4, "root past end");

    for (const auto& [share, id] : shareStreams_)
        CheckRandomStream(id, shareSongs_[share], "random stream of '" + share + "'");
    std::vector<int> all;
    for (const auto& [share, ids] : shareSongs_)
        all.insert(all.end(), ids.begin(), ids.end());
    CheckRandomStream(2, all, "global random stream");

    for (const DeviceSong& song : library_.songs)
        if (!reached_.count(song.path))
            device_.Problem("song never reached: " + song.path);
    return tree_;
}

void DeviceWalk::WalkFolder(const DeviceItem& item, const std::string& path,
                            const std::string& share, bool shareTop) {
    DeviceNode& node = tree_.nodes[item.nodeId];
    node.kind = DeviceNode::Kind::Folder;
    node.id = item.nodeId;
    node.item = item;
    std::string what = "folder '" + item.name + "'";
    auto listing = device_.List(item.nodeId, false, what);
    if (!listing)
        return;
    if (listing->etag != tree_.etag)
        device_.Problem(what + ": the index changed during the walk");
    std::vector<DiskEntry> disk = ListDisk(path, shareTop);
    std::vector<std::string> names;
    for (const DiskEntry& entry : disk)
        names.push_back(entry.name);
    bool matches = listing->items.size() == disk.size();
    if (!matches)
        device_.Problem(what + " lists " + std::to_string(listing->items.size()) +
                        " items; its folder holds " + std::to_string(disk.size()));
    for (size_t k = 0; k < listing->items.size() && k < disk.size(); ++k) {
        tree_.nodes[item.nodeId].children.push_back(listing->items[k].nodeId);
        MatchChild(item.nodeId, listing->items[k], disk[k], path, share);
    }
    if (matches && !listing->items.empty())
        ProbeSuperScroll(item.nodeId, listing->items, names);
}

void DeviceWalk::MatchChild(int parent, const DeviceItem& child, const DiskEntry& entry,
                            const std::string& path, const std::string& share) {
    std::string what = "child '" + child.name + "' (" + std::to_string(child.nodeId) +
                       ") of folder " + std::to_string(parent);
    CheckId(child, what);
    switch (entry.kind) {
    case DiskEntry::Kind::Stream: {
        if (!child.folder || child.marked || child.name != StreamName)
            device_.Problem(what + ": expected the share's random stream first");
        shareStreams_[share] = child.nodeId;
        DeviceNode& node = tree_.nodes[child.nodeId];
        node.kind = DeviceNode::Kind::RandomStream;
        node.id = child.nodeId;
        node.item = child;
        break;
    }
    case DiskEntry::Kind::Folder:
        if (!child.folder || !child.marked || child.name != entry.name) {
            device_.Problem(what + ": expected marked folder '" + entry.name + "'");
            break;
        }
        WalkFolder(child, path + "/" + entry.name, share, false);
        break;
    case DiskEntry::Kind::Song:
        if (child.folder) {
            device_.Problem(what + ": expected song file '" + entry.name + "'");
            break;
        }
        CheckSong(child, path + "/" + entry.name, share);
        break;
    }
}

void DeviceWalk::CheckSong(const DeviceItem& item, const std::string& path,
                           const std::string& share) {
    const DeviceSong* song = SongAt(path);
    if (!song) {
        device_.Problem("an MP3 file the test did not make: " + path);
        return;
    }
    DeviceNode& node = tree_.nodes[item.nodeId];
    node.kind = DeviceNode::Kind::Song;
    node.id = item.nodeId;
    node.item = item;
    node.song = song;
    shareSongs_[share].push_back(item.nodeId);
    if (!reached_.insert(path).second)
        device_.Problem("song reached twice: " + path);

    std::string what = "song " + std::to_string(item.nodeId) + " (" + path + ")";
    std::string title = ExpectedTitle(*song);
    const DeviceSongTags& t = song->tags;
    if (item.name != title || item.title != title || item.album != t.album ||
        item.artist != t.artist || item.trackno != t.track || item.genre != t.genre ||
        item.year != t.year)
        device_.Problem(what + ": item texts '" + item.name + "'/'" + item.title + "'/'" +
                        item.album + "'/'" + item.artist + "'/'" + item.trackno + "'/'" +
                        item.genre + "'/'" + item.year + "' differ from the tags");
    bool lengthOk = !item.playlength.empty() &&
                    item.playlength.find_first_not_of("0123456789") == std::string::npos &&
                    std::stoi(item.playlength) <= song->seconds + 1;
    if (item.bitrate != std::to_string(song->bitrate) || !lengthOk)
        device_.Problem(what + ": bitrate '" + item.bitrate + "', length '" + item.playlength +
                        "'");
    if (item.url != device_.StreamUrl(item.nodeId))
        device_.Problem(what + ": stream URL " + item.url);
    CheckSongStream(item, *song);
    ++tree_.songsStreamed;
    // Range starts: inside the file on every third song, past its end on every seventh.
    if (tree_.songsStreamed % 3 == 0)
        CheckRange(item, *song, std::min<long long>(1000, song->bytes.size() / 2));
    if (tree_.songsStreamed % 7 == 0)
        CheckRange(item, *song, static_cast<long long>(song->bytes.size()) + 5);
}

void DeviceWalk::CheckSongStream(const DeviceItem& item, const DeviceSong& song) {
    DeviceHttpAnswer answer = device_.Stream(item.url);
    std::string what = "stream of " + song.path;
    const std::string* type = answer.Header("Content-type");
    const std::string* icy = answer.Header("icy-name");
    const std::string* etag = answer.Header("ETag");
    if (!answer.Complete() || answer.statusLine != "HTTP/1.1 200 OK" || !type ||
        *type != "audio/mp3") {
        device_.Problem(what + ": " + answer.Describe());
        return;
    }
    if (answer.body != song.bytes)
        device_.Problem(what + ": the bytes differ from the file");
    if (!icy || *icy != ExpectedStreamTitle(song))
        device_.Problem(what + ": icy-name '" + (icy ? *icy : "") + "', expected '" +
                        ExpectedStreamTitle(song) + "'");
    std::string tag =
        "\"" + FileTimeTag(song.path) + "x" + std::to_string(song.bytes.size()) + "\"";
    if (!etag || *etag != tag)
        device_.Problem(what + ": ETag " + (etag ? *etag : "none") + ", expected " + tag);
}

void DeviceWalk::CheckRange(const DeviceItem& item, const DeviceSong& song, long long start) {
    DeviceHttpAnswer answer = device_.Stream(item.url, start);
    long long size = static_cast<long long>(song.bytes.size());
    std::string tail = start < size ? song.bytes.substr(static_cast<size_t>(start)) : "";
    if (!answer.Complete() || answer.statusLine != "HTTP/1.1 200 OK" ||
        answer.contentLength != static_cast<long long>(tail.size()) || answer.body != tail)
        device_.Problem("stream of " + song.path + " from byte " + std::to_string(start) + " of " +
                        std::to_string(size) + ": " + answer.Describe());
}

void DeviceWalk::ProbeSuperScroll(int id, const std::vector<DeviceItem>& items,
                                  const std::vector<std::string>& names) {
    long long total = static_cast<long long>(items.size());
    std::vector<std::string> letters = {"A", "M", "z", "~", "0", "[", names[names.size() / 2]};
    letters.back() = letters.back().substr(0, 1);
    for (long long from : {0LL, total / 2}) {
        for (const std::string& letter : letters) {
            if (letter.empty() || static_cast<unsigned char>(letter[0]) >= 0x80 ||
                letter[0] == '<' || letter[0] == '&')
                continue;
            long long p = SuperScrollTarget(names, from, letter);
            long long window = device_.NextWindow();
            DevicePage page = device_.Browse(id, from, window, letter);
            std::string what = "superScroll '" + letter + "' from " + std::to_string(from) +
                               " in folder " + std::to_string(id);
            ++tree_.superScrollProbes;
            if (!device_.CheckPage(page, p, window, what))
                continue;
            if (page.data->total != total)
                device_.Problem(what + ": totnumelem " + std::to_string(page.data->total));
            for (size_t k = 0; k < page.data->items.size(); ++k)
                if (page.data->items[k].nodeId != items[static_cast<size_t>(p) + k].nodeId)
                    device_.Problem(what + ": item " + std::to_string(k) + " out of place");
        }
    }
}

void DeviceWalk::CheckRandomStream(int id, const std::vector<int>& songs, const std::string& what) {
    ++tree_.randomStreamsChecked;
    auto listing = device_.List(id, true, what);
    if (!listing)
        return;
    if (listing->total != static_cast<long long>(songs.size()))
        device_.Problem(what + ": totnumelem " + std::to_string(listing->total) + " for " +
                        std::to_string(songs.size()) + " songs");
    std::vector<int> listed;
    for (const DeviceItem& item : listing->items) {
        listed.push_back(item.nodeId);
        auto known = tree_.nodes.find(item.nodeId);
        if (item.folder || known == tree_.nodes.end() ||
            known->second.kind != DeviceNode::Kind::Song || known->second.item.url != item.url ||
            known->second.item.title != item.title || known->second.item.album != item.album)
            device_.Problem(what + ": item " + std::to_string(item.nodeId) +
                            " is not the song listed in its folder");
    }
    std::vector<int> expected = songs;
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    if (listed != expected)
        device_.Problem(what + ": the listing is not a permutation of the share's songs");
    // A random stream has no superScroll: the window stays where it was asked.
    if (listing->total > 1)
        device_.CheckPage(device_.Browse(id, 1, 3, "Z"), 1, 3, what + " with superScroll");
    DeviceNode& node = tree_.nodes[id];
    node.kind = DeviceNode::Kind::RandomStream;
    node.id = id;
    node.children = listed;
}

} // namespace tb::test
