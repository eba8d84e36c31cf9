#include "library/ShareScanner.h"

#include "core/Path.h"
#include "library/FolderNode.h"
#include "library/IndexProgress.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

namespace tb {
namespace {

struct Listing {
    std::vector<String> folders;
    std::vector<std::pair<dev_t, ino_t>> folderIds;
    std::vector<String> songs;
};

bool IsMp3Name(const char* name, size_t length) {
    return length >= 4 && strcasecmp(name + length - 4, ".mp3") == 0;
}

// One pass over a directory; a directory that cannot be listed is empty.
Listing List(const String& path) {
    Listing listing;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return listing;
    int dirFd = dirfd(dir);
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.')
            continue;
        size_t length = strlen(name);
        bool mp3 = IsMp3Name(name, length);
        unsigned char type = entry->d_type;
        struct stat info {};
        if (type == DT_DIR || type == DT_LNK || type == DT_UNKNOWN || (mp3 && type != DT_REG)) {
            if (fstatat(dirFd, name, &info, 0) != 0)
                continue; // a broken link
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            listing.folders.emplace_back(name, static_cast<int32_t>(length));
            listing.folderIds.emplace_back(info.st_dev, info.st_ino);
        } else if (type == DT_REG && mp3) {
            listing.songs.emplace_back(name, static_cast<int32_t>(length));
        }
    }
    closedir(dir);
    return listing;
}

} // namespace

int ShareScanner::FolderError(const String& path) {
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return errno;
    closedir(dir);
    return 0;
}

std::unique_ptr<FolderNode> ShareScanner::Scan(const String& name, const String& path,
                                               MediaNode* parent) {
    ancestors_.clear();
    struct stat info {};
    if (stat(path.c_str(), &info) == 0)
        ancestors_.emplace_back(info.st_dev, info.st_ino);
    return ScanFolder(name, path, parent, 0);
}

std::unique_ptr<FolderNode> ShareScanner::ScanFolder(const String& name, const String& path,
                                                     MediaNode* parent, int depth) {
    auto folder =
        std::make_unique<FolderNode>(name, parent, nullptr, path, FolderNode::Ownership::Owning);
    if (progress_ && !progress_->SetStatus(path))
        return nullptr;
    Listing listing = List(path);
    for (size_t i = 0; i < listing.folders.size(); ++i) {
        auto id = listing.folderIds[i];
        if (depth + 1 >= MaxDepth ||
            std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end())
            continue;
        if (progress_ && !progress_->KeepGoing(IndexProgress::Item::Folder))
            return nullptr;
        ancestors_.push_back(id);
        auto child = ScanFolder(listing.folders[i], JoinPath(path, listing.folders[i].View()),
                                folder.get(), depth + 1);
        ancestors_.pop_back();
        if (!child)
            return nullptr;
        folder->AddChild(child.release());
    }
    for (const String& song : listing.songs)
        if (!AddSong(*folder, song, JoinPath(path, song.View())))
            return nullptr;
    return folder;
}

bool ShareScanner::AddSong(FolderNode& folder, const String& name, const String& path) {
    if (progress_ && !progress_->KeepGoing(IndexProgress::Item::Song))
        return false;
    auto* song = new SongNode(name, path, &folder, share_, preload_);
    folder.AddChild(song);
    streamSongs_.Add(song);
    return true;
}

} // namespace tb
