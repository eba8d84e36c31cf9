// Keys and typed values observed through the store file, the file's folder
// and modes, files it must refuse, and transactions.
#include "StoreFixture.h"
#include "config/ValueInfo.h"

#include <sys/stat.h>

namespace tb::test {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class RegistryTest : public StoreFixture {};

TEST_F(RegistryTest, SubkeysAreCreatedFoundListedAndDeleted) {
    auto key = Key("A");
    for (const char* name : {"b", "C", "a", "10", "2"})
        key->CreateSubKey(name);
    auto deep = key->CreateSubKey("b\\deeper");
    EXPECT_EQ(deep->Path(), "A\\b\\deeper");
    deep->SetString("Name", "x");
    EXPECT_EQ(key->SubKeyNames(), (std::vector<String>{"10", "2", "a", "b", "C"}));
    EXPECT_TRUE(key->SubKeyExists("B\\DEEPER"));
    String name;
    EXPECT_TRUE(key->OpenSubKey("b")->OpenSubKey("deeper")->GetString("Name", name, true));
    for (const char* impossible : {"", "\\b", "b\\\\c", "missing"})
        EXPECT_FALSE(key->SubKeyExists(impossible)) << impossible;

    EXPECT_EQ(CatchRegistryException([&] { key->OpenSubKey("missing"); }).Code(),
              RegistryException::FileNotFound);
    // A key with subkeys is refused; its values go with it.
    EXPECT_EQ(CatchRegistryException([&] { key->DeleteSubKey("b"); }).Code(),
              RegistryException::NotOpen);
    key->DeleteSubKey("b\\deeper");
    key->DeleteSubKey("b");
    EXPECT_FALSE(key->SubKeyExists("b"));
    EXPECT_FALSE(key->CreateSubKey("b\\deeper")->GetString("Name", name, false));
}

TEST_F(RegistryTest, ValuesReadBackExactlyAndSurviveReopening) {
    const String texts[] = {"Tune Bridge", "", String("a\0b", 3), "\xe5\xe4\xf6 \xc3\xa9",
                            String(std::string(100000, 'x'))};
    for (const String& text : texts) {
        Key("A")->SetString("Text", text);
        Reopen();
        String read = "unchanged";
        EXPECT_TRUE(Key("A")->GetString("Text", read, true));
        EXPECT_EQ(read, text);
    }
    // A flag is any number but 0.
    Key("A")->SetNumber("Two", 2);
    bool flag = false;
    EXPECT_TRUE(Key("A")->GetFlag("Two", flag));
    EXPECT_TRUE(flag);
}

TEST_F(RegistryTest, MissingWronglyTypedAndMisSizedValuesFailAsDocumented) {
    auto key = Key("A");
    key->SetString("Text", "12");
    Plant("A", {"Short", RegDword, "abc"});
    uint32_t number = 77;
    EXPECT_FALSE(key->GetNumber("Missing", number));
    EXPECT_EQ(number, 77u);
    EXPECT_EQ(CatchRegistryException([&] { key->GetNumber("Text", number); }).Code(),
              RegistryException::WrongType);
    EXPECT_EQ(CatchRegistryException([&] { key->GetNumber("Short", number); }).Code(),
              RegistryException::BadSize);
}

TEST_F(RegistryTest, AKeyOpenedWithoutRightsNeitherReadsNorWrites) {
    Key("A")->SetString("Name", "x");
    Registry none;
    ASSERT_TRUE(none.Open(*store, "A", 0, true));
    String name;
    EXPECT_EQ(CatchRegistryException([&] { none.GetString("Name", name, true); }).Code(),
              RegistryException::AccessDenied);
    EXPECT_EQ(CatchRegistryException([&] { none.SetString("Name", "y"); }).Code(),
              RegistryException::NotOpen);
    EXPECT_EQ(CatchRegistryException([&] { none.CreateSubKey("B"); }).Code(),
              RegistryException::AccessDenied);
    EXPECT_EQ(RawValuesOf("A"), (std::vector<RawValue>{{"Name", RegSz, std::string("x\0", 2)}}));
}

TEST_F(RegistryTest, TheStoreFolderAndFileAreTheOwnersAlone) {
    std::string nested = dir / "a/b";
    RegistryStore::Open(String(nested));
    EXPECT_EQ(ModeOf(dir / "a"), 0700u);
    EXPECT_EQ(ModeOf(nested), 0700u);
    EXPECT_EQ(ModeOf(nested + "/registry.db"), 0600u);
    // An existing folder keeps its mode; an existing file loses others' access.
    std::string shared = dir.MakeDir("shared");
    chmod(shared.c_str(), 0755);
    dir.Write("shared/registry.db", "");
    chmod((shared + "/registry.db").c_str(), 0644);
    RegistryStore::Open(String(shared));
    EXPECT_EQ(ModeOf(shared), 0755u);
    EXPECT_EQ(ModeOf(shared + "/registry.db"), 0600u);
    std::string file = dir.Write("plain", "x");
    RegistryException notFolder =
        CatchRegistryException([&] { RegistryStore::Open(String(file)); });
    EXPECT_EQ(notFolder.Code(), RegistryException::PathNotFound);
    EXPECT_NE(std::string(notFolder.what()).find("not a folder"), std::string::npos);
}

TEST_F(RegistryTest, FilesThatAreNoStoreOfOursAreCorrupt) {
    const std::pair<std::string, std::string> files[] = {
        {"text", "[General]\nName=Tune Bridge\n"}, {"foreign", ""}, {"newer", ""}};
    for (const auto& [name, bytes] : files) {
        std::string folder = dir.MakeDir(name);
        dir.Write(name + "/registry.db", bytes);
        if (name == "foreign")
            Query(folder + "/registry.db", "CREATE TABLE songs(title TEXT)").Step();
        if (name == "newer") { // ours, but written by a later version
            RegistryStore::Open(String(folder));
            Query(folder + "/registry.db", "PRAGMA user_version = 2").Step();
        }
        RegistryException e = CatchRegistryException([&] { RegistryStore::Open(String(folder)); });
        EXPECT_EQ(e.Code(), RegistryException::Corrupt) << name << ": " << e.what();
        EXPECT_EQ(e.Name(), String(folder + "/registry.db"));
    }
}

TEST_F(RegistryTest, NestedTransactionsCommitOrUndoWithTheOuterOne) {
    auto general = ConfigKey("General");
    {
        RegistryStore::Transaction outer(*store);
        general->SetNumber("Outer", 1);
        {
            RegistryStore::Transaction inner(*store); // rolled back alone
            general->SetNumber("Inner", 1);
        }
        {
            RegistryStore::Transaction inner(*store);
            general->SetNumber("Committed", 1);
            inner.Commit();
        }
        outer.Commit();
    }
    {
        RegistryStore::Transaction outer(*store); // undoes its committed inner one
        RegistryStore::Transaction inner(*store);
        general->SetNumber("Undone", 1);
        inner.Commit();
    }
    general.reset();
    Reopen();
    uint32_t number = 0;
    EXPECT_TRUE(ConfigKey("General")->GetNumber("Outer", number));
    EXPECT_TRUE(ConfigKey("General")->GetNumber("Committed", number));
    EXPECT_FALSE(ConfigKey("General")->GetNumber("Inner", number));
    EXPECT_FALSE(ConfigKey("General")->GetNumber("Undone", number));
}

} // namespace
} // namespace tb::test
