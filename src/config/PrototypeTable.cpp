#include "config/PrototypeTable.h"

#include "config/PersistantObjectException.h"

namespace tb {

PrototypeTable& PrototypeTable::Process() {
    static PrototypeTable table;
    return table;
}

void PrototypeTable::Register(std::unique_ptr<PersistantObject> prototype) {
    if (!prototype)
        return;
    String tag = prototype->TypeTag();
    entries_.emplace_back(std::move(tag), std::move(prototype));
}

const PersistantObject* PrototypeTable::Find(const String& tag) const {
    for (const auto& [entryTag, prototype] : entries_)
        if (entryTag == tag)
            return prototype.get();
    return nullptr;
}

std::unique_ptr<PersistantObject> PrototypeTable::CreateByTag(const String& tag) const {
    const PersistantObject* prototype = Find(tag);
    if (!prototype)
        throw PersistantObjectException(PersistantObjectException::LoaderNotAvailable);
    return prototype->Create();
}

void RegisterPrototype(std::unique_ptr<PersistantObject> prototype) {
    PrototypeTable::Process().Register(std::move(prototype));
}

std::unique_ptr<PersistantObject> CreateByTag(const String& tag) {
    return PrototypeTable::Process().CreateByTag(tag);
}

void ClearPrototypes() noexcept {
    PrototypeTable::Process().Clear();
}

} // namespace tb
