#pragma once

#include "core/Array.h"
#include "core/DateTime.h"
#include "library/FolderNode.h"
#include "library/NodeAnswers.h"
#include "library/RandomStreamNode.h"
#include "library/ShareInfo.h"

#include <memory>
#include <mutex>
#include <vector>

namespace tb {

// One complete, numbered node tree and everything its nodes point at: the
// root with the folders it owns, the global random stream (reachable by ID
// only), the shares' records. Built once, then only read; it lives as long
// as anybody holds it, so an answer that took it keeps its nodes alive
// across a rebuild.
class NodeTree {
public:
    // An empty tree: no root, no nodes, built at file time 0.
    NodeTree();
    ~NodeTree();

    // Takes the root; numbers it depth-first (the global random stream
    // first, as the root's first child, then out of the root's children
    // again) and stamps the build time. The nodes answer through `answers`,
    // which must outlive the tree.
    void Adopt(std::unique_ptr<FolderNode> root, std::unique_ptr<RandomStreamNode> globalStream,
               std::vector<std::unique_ptr<ShareInfo>> shares, const DateTime& builtAt,
               const NodeAnswers& answers);

    int32_t Count() const noexcept { return nodes_.Count(); }
    // The node with this wire ID (1 = root), or null outside 1..Count().
    MediaNode* Get(int32_t wireId) const noexcept;
    // The node with this index ID (0 = root), or null.
    MediaNode* At(int32_t id) const noexcept {
        return id >= 0 && id < nodes_.Count() ? nodes_.At(id) : nullptr;
    }
    // When the tree was built, or last renewed. Thread-safe.
    DateTime IndexTime() const;
    // Makes the tree count as built at `now`, so that every entity tag
    // derived from its time changes (a new skin must not leave browsers
    // with pages of the old one). Thread-safe.
    void RenewIndexTime(const DateTime& now) const;
    // What the tree's nodes answer; throws std::logic_error for a tree
    // that was never built.
    const NodeAnswers& Answers() const;

private:
    void AssignIds(MediaNode* node);

    std::unique_ptr<FolderNode> root_;
    std::unique_ptr<RandomStreamNode> globalStream_;
    std::vector<std::unique_ptr<ShareInfo>> shares_;
    Array<MediaNode*> nodes_;
    mutable std::mutex timeMutex_;
    mutable DateTime indexTime_; // guarded by timeMutex_
    const NodeAnswers* answers_ = nullptr;
};

} // namespace tb
