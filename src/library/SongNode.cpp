#include "library/SongNode.h"

#include "core/Exceptions.h"
#include "library/Mp3Info.h"
#include "library/NodeAnswers.h"
#include "library/ShareInfo.h"
#include "server/ResponseHeaders.h"

#include <memory>

namespace tb {

SongNode::SongNode(String name, String path, MediaNode* parent, const ShareInfo* share,
                   Preload preload)
    : MediaNode(std::move(name), parent), path_(std::move(path)), share_(share) {
    if (preload == Preload::Yes)
        TryGetInfo();
}

SongNode::~SongNode() {
    delete info_.load(std::memory_order_acquire);
    delete item_.load(std::memory_order_acquire);
}

const Mp3Info& SongNode::GetInfo() const {
    const Mp3Info* info = info_.load(std::memory_order_acquire);
    if (info)
        return *info;
    auto fresh = std::make_unique<Mp3Info>(path_);
    // Two threads may read the file at once; the first to publish wins.
    if (info_.compare_exchange_strong(info, fresh.get(), std::memory_order_acq_rel))
        return *fresh.release();
    return *info;
}

const SongNode::ListingItem* SongNode::KeepItem(std::unique_ptr<ListingItem> item) const {
    // Two listings may make it at once; the first to publish wins.
    const ListingItem* expected = nullptr;
    if (item_.compare_exchange_strong(expected, item.get(), std::memory_order_acq_rel))
        return item.release();
    return expected;
}

void SongNode::ContentItem(HttpRequest& request, TextBuilder& listing) {
    AnswersOf(request).ContentItem(*this, request, listing);
}

void SongNode::WebAction(HttpRequest& request, char action) {
    AnswersOf(request).WebAction(*this, request, action);
}

void SongNode::Play(HttpRequest& request) {
    AnswersOf(request).Play(*this, request);
}

String SongNode::GetETag(HttpRequest&, char) {
    return FileETag(path_.c_str());
}

String SongNode::BaseName() const {
    return Name().Mid(0, Name().Length() >= 4 ? Name().Length() - 4 : 0);
}

String SongNode::DisplayPath() const {
    if (share_ && !share_->path.IsEmpty() && path_.StartsWith(share_->path.View()))
        return share_->name + ":" + path_.Mid(share_->path.Length());
    return path_;
}

const Mp3Info* SongNode::TryGetInfo() const noexcept {
    try {
        return &GetInfo();
    } catch (const GeneralException&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace tb
