#pragma once

#include "core/String.h"
#include "library/FolderMetadata.h"

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>

namespace tb {

class NodeTree;
class TemplateProgram;

// The pages one template made last, for folders shown again: a page is
// the same as long as the compiled template, the node tree, the folder, its
// metadata and the user's name are. Holds a few pages of a few megabytes
// at most, the most recent ones. Thread-safe.
class PageCache {
public:
    struct Key {
        std::weak_ptr<const TemplateProgram> program;
        std::weak_ptr<const NodeTree> tree;
        int32_t folder = 0;
        String userName;
        FolderMetadata metadata;
    };

    std::optional<String> Find(const Key& key) const;
    void Keep(Key key, String page);

private:
    static bool Same(const Key& a, const Key& b);

    mutable std::mutex mutex_;
    std::list<std::pair<Key, String>> pages_; // most recent first; guarded by mutex_
    int64_t bytes_ = 0;                       // guarded by mutex_
};

} // namespace tb
