#include "library/SongNode.h"

#include "core/Exceptions.h"
#include "library/Mp3Info.h"

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
