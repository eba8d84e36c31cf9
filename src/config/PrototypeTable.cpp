#include "config/PrototypeTable.h"

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

void RegisterPrototype(std::unique_ptr<PersistantObject> prototype) {
    PrototypeTable::Process().Register(std::move(prototype));
}

} // namespace tb
