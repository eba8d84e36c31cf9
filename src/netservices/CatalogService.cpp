#include "netservices/CatalogService.h"

#include "config/Registry.h"
#include "core/Exceptions.h"
#include "library/MediaNode.h"

namespace tb {

std::unique_ptr<PersistantObject> CatalogService::LoadNew(Registry& key) const {
    auto catalog = std::make_unique<CatalogService>();
    key.GetString("Name", catalog->name_, false);
    key.GetString("Description", catalog->description_, false);
    key.GetString("ShortName", catalog->shortName_, false);
    String address;
    if (!key.GetString("IPAddress", address, false))
        return catalog;
    try {
        catalog->address_ = IPAddress::FromHostPort(address.c_str());
    } catch (const IPAddressException&) {
        return nullptr;
    }
    return catalog;
}

std::unique_ptr<MediaNode> CatalogService::CreateNode(FolderNode* /*parent*/,
                                                      IndexBuildContext& /*context*/) {
    return nullptr;
}

void CatalogService::Save(Registry& key) const {
    key.SetString("Name", name_);
    key.SetString("Description", description_);
    key.SetString("ShortName", shortName_);
    key.SetString("IPAddress", address_.HostPortText());
}

} // namespace tb
