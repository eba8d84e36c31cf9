#pragma once

#include "core/Array.h"
#include "library/FolderMetadata.h"
#include "library/MediaNode.h"

#include <memory>
#include <mutex>

namespace tb {

class ServiceItem;
struct HttpRequest;

// A folder: the root, a share folder or one below it, the "Radio" folder,
// a category folder or a category value folder. A folder either owns its
// children (deletes them, and the index numbers them) or only points at
// songs owned elsewhere (category value folders).
class FolderNode : public MediaNode {
public:
    enum class Ownership { Owning, NotOwning };

    FolderNode(String name, MediaNode* parent, std::shared_ptr<ServiceItem> service, String path,
               Ownership ownership);
    ~FolderNode() override;

    bool IsPlayable() const override { return false; }
    bool IsFolder() const override { return true; }
    bool IsSong() const override { return false; }
    void ContentItem(HttpRequest& request, TextBuilder& listing) override;
    void WebAction(HttpRequest& request, char action) override;
    HttpAnswer Browse(HttpRequest& request, int32_t numElem, int32_t fromIndex,
                      const String& superScroll) override;
    String GetETag(HttpRequest& request, char action) override;

    bool OwnsChildren() const noexcept { return owning_; }
    Array<MediaNode*>& Children() noexcept { return children_; }
    const Array<MediaNode*>& Children() const noexcept { return children_; }
    // Appends; an owning folder takes ownership.
    void AddChild(MediaNode* child) { children_.Add(child); }
    const String& Path() const noexcept { return path_; }
    ServiceItem* Service() const noexcept { return service_.get(); }

    // Re-reads the folder's metadata file and looks for cover pictures for
    // image fields still empty; returns the result. Safe from any thread.
    FolderMetadata RefreshMetadata();
    // Entity tag of the front ("P") or back ("B") picture.
    String ImageETag(char action);
    // Sends the front ("P") or back ("B") picture, or the built-in
    // placeholder when the folder has none.
    void ServeImage(HttpRequest& request, char action);

private:
    std::shared_ptr<ServiceItem> service_;
    String path_;
    bool owning_;
    Array<MediaNode*> children_;
    std::mutex metadataMutex_;
    FolderMetadata metadata_; // guarded by metadataMutex_
};

} // namespace tb
