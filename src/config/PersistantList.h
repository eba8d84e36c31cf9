#pragma once

#include "config/PersistantObject.h"
#include "config/PrototypeTable.h"

#include <concepts>
#include <functional>
#include <memory>
#include <vector>

namespace tb {

class Registry;

// A stored list is one numbered subkey per object below its key ("Services",
// "Users"): "0", "1" ... in list order, each holding "ObjectId" and the
// object's values. Loading stops at the first missing number.

// Saves the objects as subkeys "0" to "n-1" and deletes every numbered
// subkey beyond them, in one transaction (a crash leaves the previous list
// whole). Values an object no longer writes stay in its subkey. Throws
// RegistryException; then nothing changed.
void SaveObjects(const std::vector<const PersistantObject*>& objects, Registry& key);

namespace detail {

inline const PersistantObject* AsPersistant(const PersistantObject& object) {
    return &object;
}

template <typename Pointer>
requires requires(const Pointer& pointer) {
    { *pointer } -> std::convertible_to<const PersistantObject&>;
}
const PersistantObject* AsPersistant(const Pointer& pointer) {
    return pointer ? &static_cast<const PersistantObject&>(*pointer) : nullptr;
}

} // namespace detail

// SaveObjects for any list of objects or of (smart) pointers to them. A null
// pointer throws PersistantObjectException before anything is written.
template <typename List> void SaveList(const List& list, Registry& key) {
    std::vector<const PersistantObject*> objects;
    for (const auto& element : list)
        objects.push_back(detail::AsPersistant(element));
    SaveObjects(objects, key);
}

using ObjectSink = std::function<void(std::unique_ptr<PersistantObject>)>;

// Loads subkeys "0", "1" ... until the first one missing, handing each object
// to `add` in order (the list's own add operation). Reads one consistent
// state of the store. Exceptions pass through: a subkey without "ObjectId"
// (RegistryException FileNotFound) or with an unknown tag
// (PersistantObjectException); the objects before it have been added.
void LoadList(Registry& key, const ObjectSink& add,
              const PrototypeTable& prototypes = PrototypeTable::Process());

} // namespace tb
