#pragma once

#include "config/PersistantObject.h"
#include "config/PrototypeTable.h"
#include "core/String.h"

#include <cstdint>
#include <memory>

namespace tb::test {

// A stand-in for a web user: tag "W-UI", values "Name", "Password" and two
// numbers.
class TestUser : public PersistantObject {
public:
    TestUser() = default;
    TestUser(String name, String password, uint32_t generation = 0, uint32_t index = 0)
        : name(std::move(name)), password(std::move(password)), generation(generation),
          index(index) {}

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override;
    void Save(Registry& key) const override;
    String TypeTag() const override { return "W-UI"; }

    String name;
    String password;
    uint32_t generation = 0;
    uint32_t index = 0;
};

// A stand-in for a share: tag "SI-S", values "Name" and "Folder".
class TestShare : public PersistantObject {
public:
    TestShare() = default;
    TestShare(String name, String folder) : name(std::move(name)), folder(std::move(folder)) {}

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override;
    void Save(Registry& key) const override;
    String TypeTag() const override { return "SI-S"; }

    String name;
    String folder = "(none)";
};

// A table with the two test classes.
const PrototypeTable& TestPrototypes();

} // namespace tb::test
