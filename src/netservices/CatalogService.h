#pragma once

#include "core/IPAddress.h"
#include "library/ServiceItem.h"

namespace tb {

// Another server running this software whose owner has added this user as
// a friend, shown as a "Friendly station". Stored with the tag "SI-F" and
// edited like the other services, it adds nothing to the node tree.
class CatalogService : public ServiceItem {
public:
    static constexpr const char* Tag = "SI-F";

    CatalogService() = default;
    CatalogService(String name, String description, String shortName, IPAddress address)
        : name_(std::move(name)), description_(std::move(description)),
          shortName_(std::move(shortName)), address_(address) {}

    // An entry whose address does not read is skipped (null).
    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override;
    void Save(Registry& key) const override;
    String TypeTag() const override { return Tag; }

    Kind GetType() const override { return Kind::Catalog; }
    String Name() const override { return name_; }
    String DisplayType() const override { return "Friendly station"; }
    // Contributes nothing to the tree: null.
    std::unique_ptr<MediaNode> CreateNode(FolderNode* parent, IndexBuildContext& context) override;

    const String& Description() const noexcept { return description_; }
    const String& ShortName() const noexcept { return shortName_; }
    const IPAddress& Address() const noexcept { return address_; }

private:
    String name_;
    String description_;
    String shortName_;
    IPAddress address_;
};

} // namespace tb
