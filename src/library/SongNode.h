#pragma once

#include "library/MediaNode.h"

#include <atomic>
#include <memory>

namespace tb {

class Mp3Info;
struct ShareInfo;

// One MP3 file. Its tag and header facts are read at construction when
// preloading, else on first use; GetInfo is safe from several threads.
class SongNode : public MediaNode {
public:
    enum class Preload { No, Yes };

    SongNode(String name, String path, MediaNode* parent, const ShareInfo* share, Preload preload);
    ~SongNode() override;

    bool IsPlayable() const override { return true; }
    bool IsFolder() const override { return false; }
    bool IsSong() const override { return true; }
    void ContentItem(HttpRequest& request, TextBuilder& listing) override;
    void WebAction(HttpRequest& request, char action) override;
    void Play(HttpRequest& request) override;
    // The file tag, for every action.
    String GetETag(HttpRequest& request, char action) override;
    // The path shown in log lines: "share name:rest" below the share's folder.
    String DisplayPath() const;
    // The file name without its ".mp3".
    String BaseName() const;

    const String& Path() const noexcept { return path_; }
    const ShareInfo* Share() const noexcept { return share_; }
    // The analysis of the file, read once. Throws Mp3FileException when the
    // file cannot be opened (and tries again at the next call).
    const Mp3Info& GetInfo() const;
    // Like GetInfo, but null instead of an exception.
    const Mp3Info* TryGetInfo() const noexcept;

    // The song's listing item as the answer code made it at the first
    // listing, but for the URL's start (the requested host and the
    // device's key), which goes at `urlAt`; it never changes for this node.
    struct ListingItem {
        String text;
        int32_t urlAt;
    };
    // Null until an item was kept.
    const ListingItem* KeptItem() const noexcept { return item_.load(std::memory_order_acquire); }
    // Keeps `item` unless another thread kept one first; returns the one kept.
    const ListingItem* KeepItem(std::unique_ptr<ListingItem> item) const;

private:
    String path_;
    const ShareInfo* share_;
    mutable std::atomic<const Mp3Info*> info_{nullptr};
    mutable std::atomic<const ListingItem*> item_{nullptr};
};

} // namespace tb
