#include "library/NodeIndex.h"

namespace tb {

std::shared_ptr<const NodeTree> NodeIndex::Tree() const {
    std::lock_guard lock(treeMutex_);
    return tree_;
}

void NodeIndex::Install(std::shared_ptr<const NodeTree> tree) {
    std::shared_ptr<const NodeTree> old;
    {
        std::lock_guard lock(treeMutex_);
        old = std::move(tree_);
        tree_ = std::move(tree);
    }
    // `old` is released here, outside the mutex: deleting a big tree takes a while.
}

} // namespace tb
