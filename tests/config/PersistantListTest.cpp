// Objects and lists in the store: tags, classes, numbering, and failures
// that must never shorten or mix a list.
#include "config/PersistantList.h"

#include "StoreFixture.h"
#include "config/PersistantObjectException.h"
#include "config/ValueInfo.h"

#include <fstream>

namespace tb::test {
namespace {

using Objects = std::vector<std::unique_ptr<PersistantObject>>;

class PersistantListTest : public StoreFixture {
protected:
    static Objects MakeUsers(int count) {
        Objects list;
        for (int i = 0; i < count; ++i)
            list.push_back(std::make_unique<TestUser>(String::Format("user%d", i)));
        return list;
    }
    // Loads with the test classes; what was added before a failure stays in `loaded`.
    const Objects& Load(Registry& key) {
        loaded.clear();
        LoadList(
            key, [&](auto object) { loaded.push_back(std::move(object)); }, TestPrototypes());
        return loaded;
    }
    static std::vector<std::string> NamesOf(const Objects& list) {
        std::vector<std::string> names;
        for (const auto& object : list)
            names.emplace_back(dynamic_cast<const TestUser&>(*object).name.View());
        return names;
    }

    std::unique_ptr<Registry> users = ConfigKey("Users");
    Objects loaded;
};

TEST_F(PersistantListTest, ObjectsAreSavedTagFirstAndLoadedAsTheirClassInOrder) {
    Objects services;
    services.push_back(std::make_unique<TestShare>("/music"));
    services.push_back(std::make_unique<TestUser>("anna", 3));
    auto key = ConfigKey("Services");
    SaveList(services, *key);
    EXPECT_EQ(RawValuesOf(key->Path() + "\\1"),
              (std::vector<RawValue>{{"ObjectId", RegSz, std::string("W-UI\0", 5)},
                                     {"Name", RegSz, std::string("anna\0", 5)},
                                     {"Generation", RegDword, std::string("\3\0\0\0", 4)}}));
    key.reset();
    users.reset();
    Reopen();
    Load(*ConfigKey("Services"));
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(dynamic_cast<TestShare&>(*loaded[0]).folder, "/music");
    auto& anna = dynamic_cast<TestUser&>(*loaded[1]);
    EXPECT_EQ(anna.name, "anna");
    EXPECT_EQ(anna.generation, 3u);
}

// A shorter list leaves no entry behind, not even one beyond an old gap:
// filling the gap later would bring it back.
TEST_F(PersistantListTest, AShorterListLeavesNoEntryBeyondItsEnd) {
    for (size_t kept : {3u, 1u, 0u}) {
        SaveList(MakeUsers(4), *users);
        users->CreateSubKey("6")->SetString("ObjectId", "W-UI");
        users->CreateSubKey("Other");
        users->OpenSubKey("0")->SetString("Extra", "old");
        SaveList(MakeUsers(static_cast<int>(kept)), *users);
        std::vector<String> expected;
        for (size_t i = 0; i < kept; ++i)
            expected.push_back(String::FromUnsigned(static_cast<uint32_t>(i)));
        expected.push_back("Other");
        EXPECT_EQ(users->SubKeyNames(), expected) << kept;
        EXPECT_EQ(Load(*users).size(), kept);
        // Values an object no longer writes stay in its subkey.
        String extra;
        if (kept > 0) {
            EXPECT_TRUE(users->OpenSubKey("0")->GetString("Extra", extra, true));
        }
        users->DeleteSubKey("Other");
    }
}

TEST_F(PersistantListTest, LoadingStopsAtTheFirstBadEntryWithWhatCameBefore) {
    SaveList(MakeUsers(3), *users);
    users->OpenSubKey("1")->SetString("ObjectId", "w-ui"); // tags compare exactly
    try {
        Load(*users);
        FAIL() << "no exception";
    } catch (const PersistantObjectException& e) {
        EXPECT_STREQ(e.what(), "Object loader not available.");
        EXPECT_EQ(e.Value(), 0);
    }
    EXPECT_EQ(NamesOf(loaded), std::vector<std::string>{"user0"});

    // An entry without a tag is an error, not the end of the list.
    users->OpenSubKey("1")->SetString("ObjectId", "W-UI");
    users->CreateSubKey("3")->SetString("Name", "stray");
    RegistryException missing = CatchRegistryException([&] { Load(*users); });
    EXPECT_EQ(missing.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(missing.Name(), "ObjectId");
}

TEST_F(PersistantListTest, AFailedSaveChangesNothing) {
    SaveList(MakeUsers(3), *users);
    // A stray level below "2" makes deleting it fail at the end of the save.
    users->CreateSubKey("2\\Stray");
    Objects shorter;
    shorter.push_back(std::make_unique<TestUser>("new0"));
    RegistryException e = CatchRegistryException([&] { SaveList(shorter, *users); });
    EXPECT_EQ(e.Code(), RegistryException::NotOpen);
    EXPECT_EQ(e.Name(), "2");
    EXPECT_EQ(NamesOf(Load(*users)), (std::vector<std::string>{"user0", "user1", "user2"}));
    // Inside an outer transaction the save is undone with it.
    users->DeleteSubKey("2\\Stray");
    {
        RegistryStore::Transaction outer(*store);
        SaveList(MakeUsers(1), *users);
    }
    EXPECT_EQ(Load(*users).size(), 3u);
}

TEST_F(PersistantListTest, AStoreThatFailsWhileLoadingGivesAnErrorNotAShorterList) {
    SaveList(MakeUsers(300), *users);
    users.reset();
    Reopen(); // the last connection closing moves everything into the main file
    auto writer = RegistryStore::Open(Directory());
    users = ConfigKey("Users");
    // Damage every page but the first on disk; both connections still hold
    // good copies in memory.
    {
        std::fstream file(StoreFile(), std::ios::binary | std::ios::in | std::ios::out);
        file.seekg(0, std::ios::end);
        std::streamoff size = file.tellg();
        ASSERT_GT(size, 8 * 4096);
        file.seekp(4096);
        std::string zeros(static_cast<size_t>(size - 4096), '\0');
        file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    // A write by the other connection makes this one drop its copies.
    Registry other(RootKeyPath);
    other.Open(*writer, "Users", FullAccess, true);
    other.SetNumber("Touched", 1);
    EXPECT_EQ(CatchRegistryException([&] { users->SubKeyExists("150"); }).Code(),
              RegistryException::Corrupt);
    EXPECT_EQ(CatchRegistryException([&] { Load(*users); }).Code(), RegistryException::Corrupt);
}

} // namespace
} // namespace tb::test
