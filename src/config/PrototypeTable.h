#pragma once

#include "config/PersistantObject.h"
#include "core/String.h"

#include <memory>
#include <utility>
#include <vector>

namespace tb {

// Pairs of (type tag, prototype object) that turn a stored tag back into an
// object. The process has one table (Process()), filled at start-up before
// other threads run and only read afterwards; Register must not run while
// another thread may look up.
class PrototypeTable {
public:
    static PrototypeTable& Process();

    // Appends (prototype->TypeTag(), prototype); a null prototype is ignored.
    void Register(std::unique_ptr<PersistantObject> prototype);
    // The first prototype registered for exactly `tag`, or null.
    const PersistantObject* Find(const String& tag) const;

private:
    std::vector<std::pair<String, std::unique_ptr<PersistantObject>>> entries_;
};

// Register on the process-wide table.
void RegisterPrototype(std::unique_ptr<PersistantObject> prototype);

} // namespace tb
