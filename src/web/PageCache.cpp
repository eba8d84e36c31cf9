#include "web/PageCache.h"

namespace tb {
namespace {

constexpr size_t MaxPages = 16;
constexpr int64_t MaxBytes = 8 << 20;

// The same owner, also after it is gone: a new object at the old address
// is not taken for the old one.
template <typename T> bool SameOwner(const std::weak_ptr<T>& a, const std::weak_ptr<T>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

} // namespace

bool PageCache::Same(const Key& a, const Key& b) {
    return a.folder == b.folder && SameOwner(a.tree, b.tree) && SameOwner(a.program, b.program) &&
           a.userName == b.userName && a.metadata == b.metadata;
}

std::shared_ptr<const PageCache::Page> PageCache::Find(const Key& key) const {
    std::lock_guard lock(mutex_);
    for (const auto& [kept, page] : pages_)
        if (Same(kept, key))
            return page;
    return nullptr;
}

void PageCache::Keep(Key key, const String& page) {
    auto kept = std::make_shared<Page>(Page{SealedMemoryFile("page", page.View()), page.Length()});
    if (!kept->file.IsOpen())
        return;
    std::lock_guard lock(mutex_);
    for (auto at = pages_.begin(); at != pages_.end(); ++at)
        if (Same(at->first, key)) {
            bytes_ -= at->second->length;
            pages_.erase(at);
            break;
        }
    bytes_ += kept->length;
    pages_.emplace_front(std::move(key), std::move(kept));
    while (pages_.size() > MaxPages || (bytes_ > MaxBytes && pages_.size() > 1)) {
        bytes_ -= pages_.back().second->length;
        pages_.pop_back();
    }
}

} // namespace tb
