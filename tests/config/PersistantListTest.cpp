#include "config/PersistantList.h"

#include "StoreFixture.h"
#include "TestObjects.h"
#include "config/PersistantObjectException.h"

#include <fstream>

namespace tb::test {
namespace {

class PersistantListTest : public StoreFixture {
protected:
    void SetUp() override {
        RegisterTestPrototypes();
        users = ConfigKey("Users");
    }
    void TearDown() override { ClearPrototypes(); }

    static std::vector<std::unique_ptr<PersistantObject>> MakeUsers(int count) {
        std::vector<std::unique_ptr<PersistantObject>> list;
        for (int i = 0; i < count; ++i)
            list.push_back(std::make_unique<TestUser>(String::Format("user%d", i), "pw", 0,
                                                      static_cast<uint32_t>(i)));
        return list;
    }

    static String NameOf(const PersistantObject& object) {
        return dynamic_cast<const TestUser&>(object).name;
    }

    std::unique_ptr<Registry> users;
};

TEST_F(PersistantListTest, SavesOneNumberedSubkeyPerObject) {
    SaveList(MakeUsers(3), *users);
    for (const char* name : {"0", "1", "2"}) {
        ASSERT_TRUE(users->SubKeyExists(name)) << name;
        String tag;
        EXPECT_TRUE(users->OpenSubKey(name)->GetString("ObjectId", tag, true));
        EXPECT_EQ(tag, "W-UI");
    }
    EXPECT_FALSE(users->SubKeyExists("3"));
    String name;
    users->OpenSubKey("2")->GetString("Name", name, true);
    EXPECT_EQ(name, "user2");
}

// A shorter list leaves no entry behind, not even one beyond an old gap:
// filling the gap later would bring it back.
TEST_F(PersistantListTest, AShorterListLeavesNoEntryBeyondItsEnd) {
    for (size_t kept : {3u, 1u, 0u}) {
        SaveList(MakeUsers(4), *users);
        users->CreateSubKey("6")->SetString("ObjectId", "W-UI");
        users->CreateSubKey("Other");
        SaveList(MakeUsers(kept), *users);
        std::vector<String> expected;
        for (size_t i = 0; i < kept; ++i)
            expected.push_back(String::FromUnsigned(static_cast<uint32_t>(i)));
        expected.push_back("Other");
        EXPECT_EQ(users->SubKeyNames(), expected) << kept;
        EXPECT_EQ(LoadList(*users).size(), kept);
        users->DeleteSubKey("Other");
    }
}

TEST_F(PersistantListTest, LoadsTheObjectsInOrderWithTheirClasses) {
    std::vector<std::unique_ptr<PersistantObject>> services;
    services.push_back(std::make_unique<TestShare>("My music", "/music"));
    services.push_back(std::make_unique<TestUser>("odd", "one"));
    services.push_back(std::make_unique<TestShare>("Old", "/old"));
    auto key = ConfigKey("Services");
    SaveList(services, *key);
    std::vector<std::unique_ptr<PersistantObject>> loaded;
    LoadList(loaded, *key);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(dynamic_cast<TestShare&>(*loaded[0]).folder, "/music");
    EXPECT_EQ(loaded[1]->TypeTag(), "W-UI");
    EXPECT_EQ(dynamic_cast<TestShare&>(*loaded[2]).name, "Old");
}

TEST_F(PersistantListTest, LoadListAppendsToWhatTheListHolds) {
    SaveList(MakeUsers(2), *users);
    std::vector<std::unique_ptr<PersistantObject>> list = MakeUsers(1);
    LoadList(list, *users);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(NameOf(*list[2]), "user1");
}

TEST_F(PersistantListTest, TheListsAddOperationSeesEveryObject) {
    SaveList(MakeUsers(3), *users);
    std::vector<String> added;
    LoadList(*users, [&](std::unique_ptr<PersistantObject> object) {
        added.push_back(NameOf(*object) + " prepared");
    });
    EXPECT_EQ(added, (std::vector<String>{"user0 prepared", "user1 prepared", "user2 prepared"}));
}

TEST_F(PersistantListTest, SavesListsOfValuesAndOfPlainPointers) {
    std::vector<TestUser> values{TestUser("a", "1"), TestUser("b", "2")};
    SaveList(values, *users);
    EXPECT_EQ(LoadList(*users).size(), 2u);
    TestUser only("c", "3");
    std::vector<TestUser*> pointers{&only};
    SaveList(pointers, *users);
    EXPECT_EQ(LoadList(*users).size(), 1u);
}

TEST_F(PersistantListTest, ANullEntryIsRefusedBeforeAnythingIsWritten) {
    SaveList(MakeUsers(2), *users);
    std::vector<std::unique_ptr<PersistantObject>> list = MakeUsers(3);
    list[1].reset();
    EXPECT_THROW(SaveList(list, *users), PersistantObjectException);
    EXPECT_FALSE(users->SubKeyExists("2"));
}

TEST_F(PersistantListTest, AnUnknownTagStopsLoadingWithTheObjectsBeforeItAdded) {
    SaveList(MakeUsers(3), *users);
    users->OpenSubKey("1")->SetString("ObjectId", "XX-1");
    std::vector<std::unique_ptr<PersistantObject>> list;
    try {
        LoadList(list, *users);
        FAIL() << "no exception";
    } catch (const PersistantObjectException& e) {
        EXPECT_STREQ(e.what(), "Object loader not available.");
    }
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(NameOf(*list[0]), "user0");
}

TEST_F(PersistantListTest, ASubkeyWithoutObjectIdStopsLoadingWithFileNotFound) {
    SaveList(MakeUsers(1), *users);
    users->CreateSubKey("1")->SetString("Name", "stray");
    std::vector<std::unique_ptr<PersistantObject>> list;
    RegistryException e = CatchRegistryException([&] { LoadList(list, *users); });
    EXPECT_EQ(e.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(e.Name(), "ObjectId");
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(PersistantListTest, ValuesAnObjectNoLongerWritesStayInItsSubkey) {
    SaveList(MakeUsers(1), *users);
    users->OpenSubKey("0")->SetString("Extra", "old");
    SaveList(MakeUsers(1), *users);
    String extra;
    EXPECT_TRUE(users->OpenSubKey("0")->GetString("Extra", extra, true));
    EXPECT_EQ(extra, "old");
}

TEST_F(PersistantListTest, AFailedSaveChangesNothing) {
    SaveList(MakeUsers(3), *users);
    // A stray level below "2" makes deleting it fail at the end of the save.
    users->CreateSubKey("2\\Stray");
    std::vector<std::unique_ptr<PersistantObject>> list;
    list.push_back(std::make_unique<TestUser>("new0", "pw"));
    list.push_back(std::make_unique<TestUser>("new1", "pw"));
    RegistryException e = CatchRegistryException([&] { SaveList(list, *users); });
    EXPECT_EQ(e.Code(), RegistryException::NotOpen);
    EXPECT_EQ(e.Name(), "2");
    std::vector<std::unique_ptr<PersistantObject>> loaded = LoadList(*users);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(NameOf(*loaded[0]), "user0");
    EXPECT_EQ(NameOf(*loaded[1]), "user1");
}

TEST_F(PersistantListTest, SaveListJoinsAnOuterTransaction) {
    SaveList(MakeUsers(1), *users);
    {
        RegistryStore::Transaction outer(*store);
        SaveList(MakeUsers(3), *users);
    }
    EXPECT_EQ(LoadList(*users).size(), 1u);
    {
        RegistryStore::Transaction outer(*store);
        SaveList(MakeUsers(3), *users);
        outer.Commit();
    }
    EXPECT_EQ(LoadList(*users).size(), 3u);
}

TEST_F(PersistantListTest, ListsOnAClosedKeyThrowNotOpen) {
    Registry closed;
    EXPECT_EQ(CatchRegistryException([&] { SaveList(MakeUsers(1), closed); }).Code(),
              RegistryException::NotOpen);
    EXPECT_EQ(CatchRegistryException([&] { LoadList(closed); }).Code(), RegistryException::NotOpen);
}

TEST_F(PersistantListTest, ListsSurviveReopeningTheStore) {
    SaveList(MakeUsers(5), *users);
    users.reset();
    Reopen();
    users = ConfigKey("Users");
    std::vector<std::unique_ptr<PersistantObject>> loaded = LoadList(*users);
    ASSERT_EQ(loaded.size(), 5u);
    EXPECT_EQ(NameOf(*loaded[4]), "user4");
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
        std::fstream file(std::string(StoreFile().View()),
                          std::ios::binary | std::ios::in | std::ios::out);
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

    RegistryException e = CatchRegistryException([&] { users->SubKeyExists("150"); });
    EXPECT_EQ(e.Code(), RegistryException::Corrupt) << e.what();
    std::vector<std::unique_ptr<PersistantObject>> list;
    e = CatchRegistryException([&] { LoadList(list, *users); });
    EXPECT_EQ(e.Code(), RegistryException::Corrupt) << e.what();
}

} // namespace
} // namespace tb::test
