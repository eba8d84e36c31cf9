#pragma once

#include "config/PersistantObject.h"
#include "config/PrototypeTable.h"
#include "config/Registry.h"
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

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override {
        auto user = std::make_unique<TestUser>();
        key.GetString("Name", user->name, false);
        key.GetString("Password", user->password, false);
        key.GetNumber("Generation", user->generation, false);
        key.GetNumber("Index", user->index, false);
        return user;
    }
    void Save(Registry& key) const override {
        key.SetString("Name", name);
        key.SetString("Password", password);
        key.SetNumber("Generation", generation);
        key.SetNumber("Index", index);
    }
    String TypeTag() const override { return "W-UI"; }

    String name;
    String password;
    uint32_t generation = 0;
    uint32_t index = 0;
};

// A stand-in for a share: tag "SI-S", value "Folder".
class TestShare : public PersistantObject {
public:
    explicit TestShare(String folder = "(none)") : folder(std::move(folder)) {}

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override {
        auto share = std::make_unique<TestShare>();
        key.GetString("Folder", share->folder, false);
        return share;
    }
    void Save(Registry& key) const override { key.SetString("Folder", folder); }
    String TypeTag() const override { return "SI-S"; }

    String folder;
};

// A table with the two test classes.
inline const PrototypeTable& TestPrototypes() {
    static const PrototypeTable table = [] {
        PrototypeTable t;
        t.Register(std::make_unique<TestShare>());
        t.Register(std::make_unique<TestUser>());
        return t;
    }();
    return table;
}

} // namespace tb::test
