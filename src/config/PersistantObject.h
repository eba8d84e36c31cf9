#pragma once

#include "core/String.h"

#include <memory>

namespace tb {

class PrototypeTable;
class Registry;

// What every object kept in a stored list (shares, radio stations, catalog
// services, web users) provides. A registered prototype of each class turns
// a stored type tag back into an object (see PrototypeTable).
class PersistantObject {
public:
    virtual ~PersistantObject() = default;

    // A new object of the same class built from the values in `key`.
    virtual std::unique_ptr<PersistantObject> LoadNew(Registry& key) const = 0;
    // Writes the object's own values into `key`.
    virtual void Save(Registry& key) const = 0;
    // The four-letter class tag ("SI-S", "W-UI"...), stored as "ObjectId".
    virtual String TypeTag() const = 0;
};

// Writes "ObjectId" (the type tag), then the object's own values.
void SaveObject(const PersistantObject& object, Registry& key);

// Reads "ObjectId" (missing: RegistryException FileNotFound) and builds the
// object with the prototype of that tag (exact comparison). Without one,
// throws PersistantObjectException "Object loader not available.".
std::unique_ptr<PersistantObject> LoadObject(Registry& key, const PrototypeTable& prototypes);

} // namespace tb
