#pragma once

#include "core/Array.h"
#include "core/String.h"
#include "library/SongNode.h"

#include <memory>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace tb {

class FolderNode;
class IndexProgress;
struct ShareInfo;

// Turns one share's directory tree into folders and songs: sub-folders
// first, then "*.mp3" files (any case), each in the order the file system
// lists them; names starting with "." are skipped. Symbolic links are
// followed, but a directory already being scanned further up is not
// entered again, so link loops end. Used by one thread.
class ShareScanner {
public:
    // Deeper folders are left out, which keeps the recursion bounded.
    static constexpr int MaxDepth = 64;

    ShareScanner(const ShareInfo* share, IndexProgress* progress, SongNode::Preload preload,
                 Array<SongNode*>& streamSongs)
        : share_(share), progress_(progress), preload_(preload), streamSongs_(streamSongs) {}

    // 0 when `path` is a folder that can be listed, else the errno value
    // that says why not.
    static int FolderError(const String& path);

    // The folder for `path` and everything below it; null when cancelled.
    std::unique_ptr<FolderNode> Scan(const String& name, const String& path, MediaNode* parent);

private:
    std::unique_ptr<FolderNode> ScanFolder(const String& name, const String& path,
                                           MediaNode* parent, int depth);
    bool AddSong(FolderNode& folder, const String& name, const String& path);

    const ShareInfo* share_;
    IndexProgress* progress_;
    SongNode::Preload preload_;
    Array<SongNode*>& streamSongs_;
    std::vector<std::pair<dev_t, ino_t>> ancestors_;
};

} // namespace tb
