#include "config/PersistantObject.h"

#include "config/PersistantObjectException.h"
#include "config/PrototypeTable.h"
#include "config/Registry.h"

namespace tb {
namespace {

constexpr const char* ObjectIdValue = "ObjectId";

} // namespace

void SaveObject(const PersistantObject& object, Registry& key) {
    key.SetString(ObjectIdValue, object.TypeTag());
    object.Save(key);
}

std::unique_ptr<PersistantObject> LoadObject(Registry& key, const PrototypeTable& prototypes) {
    String tag;
    key.GetString(ObjectIdValue, tag, true);
    const PersistantObject* prototype = prototypes.Find(tag);
    if (!prototype)
        throw PersistantObjectException(PersistantObjectException::LoaderNotAvailable);
    return prototype->LoadNew(key);
}

} // namespace tb
