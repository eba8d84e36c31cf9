#include "config/PersistantList.h"

#include "config/PersistantObjectException.h"
#include "config/Registry.h"
#include "config/RegistryStore.h"

namespace tb {
namespace {

String Decimal(size_t i) {
    return String::FromUnsigned(static_cast<uint32_t>(i));
}

// Whether `name` is the number of a list entry at or after `end`.
bool IsEntryBeyond(const String& name, size_t end) {
    std::string_view text = name.View();
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0'))
        return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    return number >= end;
}

void RequireObjects(const std::vector<const PersistantObject*>& objects) {
    for (const PersistantObject* object : objects)
        if (!object)
            throw PersistantObjectException("Object missing in list.");
}

} // namespace

void SaveObjects(const std::vector<const PersistantObject*>& objects, Registry& key) {
    RequireObjects(objects);
    RegistryStore::Transaction transaction(key.Store());
    for (size_t i = 0; i < objects.size(); ++i) {
        std::unique_ptr<Registry> sub = key.CreateSubKey(Decimal(i));
        SaveObject(*objects[i], *sub);
    }
    // Every entry beyond the new end goes: one left behind after a gap would
    // come back into the list when the gap is filled.
    for (const String& name : key.SubKeyNames())
        if (IsEntryBeyond(name, objects.size()))
            key.DeleteSubKey(name);
    transaction.Commit();
}

void LoadList(Registry& key, const ObjectSink& add, const PrototypeTable& prototypes) {
    RegistryStore::Transaction snapshot(key.Store(), RegistryStore::Transaction::Kind::Read);
    for (size_t i = 0;; ++i) {
        String name = Decimal(i);
        if (!key.SubKeyExists(name))
            break;
        std::unique_ptr<Registry> sub = key.OpenSubKey(name);
        add(LoadObject(*sub, prototypes));
    }
    snapshot.Commit();
}

} // namespace tb
