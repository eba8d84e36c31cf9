#pragma once

#include "core/FileDescriptor.h"
#include "core/String.h"
#include "library/FolderMetadata.h"

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>

namespace tb {

class NodeTree;
class TemplateProgram;

// The pages one template made last, for folders shown again: a page is
// the same as long as the compiled template, the node tree, the folder, its
// metadata and the user's name are. Holds a few pages of a few megabytes
// at most, the most recent ones, each in a sealed memory file that the
// system sends without copying it through the program. Thread-safe.
class PageCache {
public:
    struct Key {
        std::weak_ptr<const TemplateProgram> program;
        std::weak_ptr<const NodeTree> tree;
        int32_t folder = 0;
        String userName;
        FolderMetadata metadata;
    };

    struct Page {
        FileDescriptor file;
        int64_t length = 0;
    };

    std::shared_ptr<const Page> Find(const Key& key) const;
    // Keeps nothing when the system has no memory file to give.
    void Keep(Key key, const String& page);

private:
    static bool Same(const Key& a, const Key& b);

    mutable std::mutex mutex_;
    // Most recent first; guarded by mutex_. A page sent while it is dropped
    // stays open until its sender is done with it.
    std::list<std::pair<Key, std::shared_ptr<const Page>>> pages_;
    int64_t bytes_ = 0; // guarded by mutex_
};

} // namespace tb
