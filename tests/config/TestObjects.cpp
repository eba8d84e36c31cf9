#include "TestObjects.h"

#include "config/Registry.h"

namespace tb::test {

std::unique_ptr<PersistantObject> TestUser::LoadNew(Registry& key) const {
    auto user = std::make_unique<TestUser>();
    key.GetString("Name", user->name, false);
    key.GetString("Password", user->password, false);
    key.GetNumber("Generation", user->generation, false);
    key.GetNumber("Index", user->index, false);
    return user;
}

void TestUser::Save(Registry& key) const {
    key.SetString("Name", name);
    key.SetString("Password", password);
    key.SetNumber("Generation", generation);
    key.SetNumber("Index", index);
}

std::unique_ptr<PersistantObject> TestShare::LoadNew(Registry& key) const {
    auto share = std::make_unique<TestShare>();
    key.GetString("Name", share->name, false);
    key.GetString("Folder", share->folder, false);
    return share;
}

void TestShare::Save(Registry& key) const {
    key.SetString("Name", name);
    key.SetString("Folder", folder);
}

const PrototypeTable& TestPrototypes() {
    static const PrototypeTable table = [] {
        PrototypeTable t;
        t.Register(std::make_unique<TestShare>());
        t.Register(std::make_unique<TestUser>());
        return t;
    }();
    return table;
}

} // namespace tb::test
