#include "StoreFixture.h"
#include "TestObjects.h"
#include "config/PersistantObjectException.h"
#include "config/PrototypeTable.h"

namespace tb::test {
namespace {

class PersistantObjectTest : public StoreFixture {
protected:
    void SetUp() override { RegisterTestPrototypes(); }
    void TearDown() override { ClearPrototypes(); }
};

TEST_F(PersistantObjectTest, SaveObjectWritesTheTagFirstAndThenTheObjectsValues) {
    auto key = ConfigKey("Users\\0");
    SaveObject(TestUser("anna", "secret"), *key);
    std::vector<ValueInfo> values = key->Values();
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[0].name, "ObjectId");
    EXPECT_EQ(values[0].type, RegSz);
    EXPECT_EQ(values[0].Text(), "W-UI");
    EXPECT_EQ(values[1].name, "Name");
    EXPECT_EQ(values[1].Text(), "anna");
}

TEST_F(PersistantObjectTest, LoadObjectBuildsTheClassOfTheStoredTag) {
    auto user = ConfigKey("Users\\0");
    SaveObject(TestUser("anna", "secret", 3, 4), *user);
    auto share = ConfigKey("Services\\0");
    SaveObject(TestShare("My music", "/music"), *share);

    std::unique_ptr<PersistantObject> loaded = LoadObject(*user);
    auto* asUser = dynamic_cast<TestUser*>(loaded.get());
    ASSERT_NE(asUser, nullptr);
    EXPECT_EQ(asUser->name, "anna");
    EXPECT_EQ(asUser->password, "secret");
    EXPECT_EQ(asUser->generation, 3u);
    EXPECT_EQ(asUser->index, 4u);

    loaded = LoadObject(*share);
    auto* asShare = dynamic_cast<TestShare*>(loaded.get());
    ASSERT_NE(asShare, nullptr);
    EXPECT_EQ(asShare->folder, "/music");
}

TEST_F(PersistantObjectTest, AnUnknownTagHasNoLoader) {
    auto key = ConfigKey("Users\\0");
    key->SetString("ObjectId", "XX-1");
    try {
        LoadObject(*key);
        FAIL() << "no exception";
    } catch (const PersistantObjectException& e) {
        EXPECT_STREQ(e.what(), "Object loader not available.");
        EXPECT_EQ(e.Value(), 0);
    }
}

TEST_F(PersistantObjectTest, TagsCompareExactly) {
    auto key = ConfigKey("Users\\0");
    key->SetString("ObjectId", "w-ui");
    EXPECT_THROW(LoadObject(*key), PersistantObjectException);
    key->SetString("ObjectId", "W-UI ");
    EXPECT_THROW(LoadObject(*key), PersistantObjectException);
}

TEST_F(PersistantObjectTest, AKeyWithoutObjectIdThrowsFileNotFound) {
    auto key = ConfigKey("Users\\0");
    key->SetString("Name", "anna");
    RegistryException e = CatchRegistryException([&] { LoadObject(*key); });
    EXPECT_EQ(e.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(e.Name(), "ObjectId");
}

TEST_F(PersistantObjectTest, AnObjectIdOfAnotherTypeThrowsWrongType) {
    auto key = ConfigKey("Users\\0");
    key->SetNumber("ObjectId", 1);
    EXPECT_EQ(CatchRegistryException([&] { LoadObject(*key); }).Code(),
              RegistryException::WrongType);
}

TEST_F(PersistantObjectTest, ThePersistenceExceptionsAreGeneralExceptions) {
    auto key = ConfigKey("Users\\0");
    key->SetString("ObjectId", "XX-1");
    EXPECT_THROW(LoadObject(*key), GeneralException);
    key->DeleteValue("ObjectId");
    EXPECT_THROW(LoadObject(*key), GeneralException);
}

TEST_F(PersistantObjectTest, CreateByTagMakesADefaultObject) {
    std::unique_ptr<PersistantObject> object = CreateByTag("SI-S");
    auto* share = dynamic_cast<TestShare*>(object.get());
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(share->folder, "(none)");
    EXPECT_EQ(CreateByTag("W-UI")->TypeTag(), "W-UI");
    try {
        CreateByTag("S-UI");
        FAIL() << "no exception";
    } catch (const PersistantObjectException& e) {
        EXPECT_STREQ(e.what(), "Object loader not available.");
    }
}

TEST_F(PersistantObjectTest, TheTableFindsTheFirstPrototypeOfATag) {
    PrototypeTable table;
    EXPECT_EQ(table.Find("W-UI"), nullptr);
    table.Register(std::make_unique<TestUser>("first", ""));
    table.Register(std::make_unique<TestUser>("second", ""));
    table.Register(nullptr);
    EXPECT_EQ(table.Size(), 2u);
    auto* found = dynamic_cast<const TestUser*>(table.Find("W-UI"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, "first");
    table.Clear();
    EXPECT_EQ(table.Find("W-UI"), nullptr);
}

TEST_F(PersistantObjectTest, AnEmptiedTableLoadsNothing) {
    auto key = ConfigKey("Users\\0");
    SaveObject(TestUser("anna", "secret"), *key);
    ClearPrototypes();
    EXPECT_EQ(PrototypeTable::Process().Size(), 0u);
    EXPECT_THROW(LoadObject(*key), PersistantObjectException);
    PrototypeTable own;
    own.Register(std::make_unique<TestUser>());
    EXPECT_EQ(LoadObject(*key, own)->TypeTag(), "W-UI");
}

} // namespace
} // namespace tb::test
