#pragma once

#include "core/DateTime.h"
#include "core/Semaphore.h"
#include "library/NodeTree.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace tb {

// The current node tree and the lock that orders index builds and device
// browse answers. A build holds the lock for the whole rebuild; a browse
// answer holds it while it finds its node and writes the page. Answers that
// run without the lock (streams, downloads, pages) take the tree with
// Tree() first: their nodes then stay alive until they let it go.
// All operations are thread-safe.
class NodeIndex {
public:
    // Trees built for this index answer through `answers`, which must
    // outlive the index and every tree it hands out.
    explicit NodeIndex(const NodeAnswers& answers)
        : answers_(answers), tree_(std::make_shared<NodeTree>()) {}

    const NodeAnswers& Answers() const noexcept { return answers_; }

    // Holds the index lock for its scope.
    class Guard : public SemaphoreLock {
    public:
        explicit Guard(NodeIndex& index) : SemaphoreLock(index.lock_) {}
    };

    std::shared_ptr<const NodeTree> Tree() const;
    // Replaces the tree; the old one goes when its last holder lets go.
    void Install(std::shared_ptr<const NodeTree> tree);
    // Time of the last completed build (file time 0 before the first).
    DateTime IndexTime() const { return Tree()->IndexTime(); }
    void RenewIndexTime() const { Tree()->RenewIndexTime(DateTime::NowUtc()); }

    bool ReindexInProgress() const noexcept { return reindexInProgress_.load(); }
    void SetReindexInProgress(bool value) noexcept { reindexInProgress_.store(value); }

private:
    const NodeAnswers& answers_;
    Semaphore lock_{1, 1};
    mutable std::mutex treeMutex_;
    std::shared_ptr<const NodeTree> tree_; // guarded by treeMutex_
    std::atomic<bool> reindexInProgress_{false};
};

} // namespace tb
