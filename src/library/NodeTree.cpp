#include "library/NodeTree.h"

#include <stdexcept>

namespace tb {

NodeTree::NodeTree() : indexTime_(uint64_t{0}) {
    indexTime_.Complete();
}

NodeTree::~NodeTree() = default;

void NodeTree::Adopt(std::unique_ptr<FolderNode> root,
                     std::unique_ptr<RandomStreamNode> globalStream,
                     std::vector<std::unique_ptr<ShareInfo>> shares, const DateTime& builtAt,
                     const NodeAnswers& answers) {
    answers_ = &answers;
    root_ = std::move(root);
    globalStream_ = std::move(globalStream);
    shares_ = std::move(shares);
    nodes_.Clear();
    if (root_) {
        auto& children = root_->Children();
        if (globalStream_) {
            globalStream_->SetParent(root_.get());
            children.InsertAt(0, globalStream_.get());
        }
        AssignIds(root_.get());
        if (globalStream_)
            children.RemoveAt(0);
    }
    RenewIndexTime(builtAt);
}

DateTime NodeTree::IndexTime() const {
    std::lock_guard lock(timeMutex_);
    return indexTime_;
}

void NodeTree::RenewIndexTime(const DateTime& now) const {
    std::lock_guard lock(timeMutex_);
    indexTime_ = now;
    indexTime_.Complete();
}

const NodeAnswers& NodeTree::Answers() const {
    if (!answers_)
        throw std::logic_error("a node of a tree that was never built answered");
    return *answers_;
}

void NodeTree::AssignIds(MediaNode* node) {
    node->SetId(nodes_.Count());
    nodes_.Add(node);
    if (!node->IsFolder())
        return;
    auto* folder = static_cast<FolderNode*>(node);
    if (folder->OwnsChildren())
        for (MediaNode* child : folder->Children())
            AssignIds(child);
}

MediaNode* NodeTree::Get(int32_t wireId) const noexcept {
    if (wireId < 1 || wireId > nodes_.Count())
        return nullptr;
    return nodes_.At(wireId - 1);
}

} // namespace tb
