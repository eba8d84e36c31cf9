#include "shell/StoredLists.h"

#include "config/PersistantList.h"
#include "config/PrototypeTable.h"
#include "config/Registry.h"
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "netservices/CatalogService.h"
#include "radio/RadioService.h"
#include "web/UserList.h"
#include "web/WebUser.h"

namespace tb {
namespace {

// Takes over an object of the expected base class; other types are skipped.
template <typename Base> std::shared_ptr<Base> Adopt(std::unique_ptr<PersistantObject> object) {
    auto* typed = dynamic_cast<Base*>(object.get());
    if (!typed)
        return nullptr;
    object.release();
    return std::shared_ptr<Base>(typed);
}

} // namespace

void RegisterStoredTypes() {
    if (PrototypeTable::Process().Find(ShareService::Tag))
        return;
    RegisterPrototype(std::make_unique<ShareService>());
    RegisterPrototype(std::make_unique<RadioService>());
    RegisterPrototype(std::make_unique<CatalogService>());
    RegisterPrototype(std::make_unique<WebUser>());
}

void LoadServices(RegistryStore& store, ServiceList& services) {
    std::vector<std::shared_ptr<ServiceItem>> loaded;
    LoadList(*OpenConfigKey(store, ServicesKey), [&](std::unique_ptr<PersistantObject> object) {
        if (auto service = Adopt<ServiceItem>(std::move(object)))
            loaded.push_back(std::move(service));
    });
    ServiceList::Guard lock(services);
    services.Items() = std::move(loaded);
    services.Sort();
}

void SaveServices(RegistryStore& store, ServiceList& services) {
    ServiceList::Guard lock(services);
    SaveList(services.Items(), *OpenConfigKey(store, ServicesKey));
}

void LoadUsers(RegistryStore& store, UserList& users) {
    std::vector<std::shared_ptr<UserItem>> loaded;
    LoadList(*OpenConfigKey(store, UsersKey), [&](std::unique_ptr<PersistantObject> object) {
        if (auto user = Adopt<UserItem>(std::move(object)))
            loaded.push_back(std::move(user));
    });
    users.Reload(std::move(loaded));
}

void SaveUsers(RegistryStore& store, const UserList& users) {
    SaveList(users.Copies(), *OpenConfigKey(store, UsersKey));
}

} // namespace tb

namespace tb {

void SaveUserChange(RegistryStore& store, const UserItem& entry, bool added) {
    RegistryStore::Transaction transaction(store);
    auto users = OpenConfigKey(store, UsersKey);
    uint32_t n = 0;
    for (; users->SubKeyExists(String::FromUnsigned(n)); ++n) {
        if (added)
            continue;
        auto stored = users->OpenSubKey(String::FromUnsigned(n));
        String id;
        stored->GetString("ID", id, false);
        if (id == entry.Key()) {
            stored->SetDword("IPAddress", UserItem::StoredAddress(entry.address));
            transaction.Commit();
            return;
        }
    }
    if (!added)
        return;
    SaveObject(entry, *users->CreateSubKey(String::FromUnsigned(n)));
    // A leftover of a longer list must not become part of this one.
    if (users->SubKeyExists(String::FromUnsigned(n + 1)))
        users->DeleteSubKey(String::FromUnsigned(n + 1));
    transaction.Commit();
}

} // namespace tb
