// Keys and typed values of the store, observed through the store file.
#include "StoreFixture.h"
#include "config/ValueInfo.h"

#include <functional>

namespace tb::test {
namespace {

using Names = std::vector<std::string>;

Names NamesOf(const std::vector<String>& strings) {
    Names names;
    for (const String& s : strings)
        names.emplace_back(s.View());
    return names;
}

class RegistryTest : public StoreFixture {};

TEST_F(RegistryTest, OpenCreatesEveryLevelBelowTheBasePathAndKeepsTheFirstSpelling) {
    Registry users(RootKeyPath);
    ASSERT_TRUE(users.Open(*store, "Users\\", FullAccess, true));
    EXPECT_EQ(users.Path(), String(RootKeyPath) + "\\Users");
    EXPECT_EQ(NamesOf(Key("")->SubKeyNames()), Names{"Software"});
    EXPECT_EQ(NamesOf(Key("Software\\Brightfold")->SubKeyNames()), Names{"Tunebridge"});
    // Names compare without case; the first spelling stays.
    EXPECT_EQ(Key("SOFTWARE\\brightfold\\TuneBridge\\1.0\\users")->Path(),
              String(RootKeyPath) + "\\Users");
    users.SetNumber("N", 5);
    uint32_t n = 0;
    EXPECT_TRUE(ConfigKey("Users")->GetNumber("N", n, true));
    EXPECT_EQ(n, 5u);
}

TEST_F(RegistryTest, MalformedPathsFailWithInvalidParameterAndCreateNothing) {
    for (const String& path :
         {String("A\\\\B"), String("\\A"), String("A\\\\"), String("A\0B", 3)}) {
        Registry key;
        EXPECT_FALSE(key.Open(*store, path, FullAccess, false)) << path.View();
        EXPECT_FALSE(key.IsOpen());
        RegistryException e =
            CatchRegistryException([&] { key.Open(*store, path, FullAccess, true); });
        EXPECT_EQ(e.Code(), RegistryException::InvalidParameter) << path.View();
    }
    EXPECT_EQ(NamesOf(Key("")->SubKeyNames()), Names{});
}

TEST_F(RegistryTest, EveryOperationOnAClosedKeyThrowsNotOpenWithTheName) {
    auto key = Key("A");
    key->Close();
    bool flag = false;
    uint32_t number = 0;
    String text;
    std::vector<std::pair<const char*, std::function<void()>>> operations = {
        {"Sub", [&] { key->SubKeyExists("Sub"); }},
        {"Sub", [&] { key->OpenSubKey("Sub"); }},
        {"Sub", [&] { key->CreateSubKey("Sub"); }},
        {"Sub", [&] { key->DeleteSubKey("Sub"); }},
        {"Flag", [&] { key->GetFlag("Flag", flag); }},
        {"Number", [&] { key->GetNumber("Number", number, false); }},
        {"Text", [&] { key->GetString("Text", text, false); }},
        {"Flag", [&] { key->SetFlag("Flag", true); }},
        {"Number", [&] { key->SetDword("Number", 1); }},
        {"Text", [&] { key->SetString("Text", "x"); }},
        {"(EnumKey)", [&] { key->SubKeyNames(); }},
    };
    for (const auto& [name, operation] : operations) {
        RegistryException e = CatchRegistryException(operation);
        EXPECT_EQ(e.Code(), RegistryException::NotOpen) << name;
        EXPECT_EQ(e.Name(), name);
    }
}

TEST_F(RegistryTest, SubkeysAreCreatedFoundListedAndDeleted) {
    auto key = Key("A");
    for (const char* name : {"b", "C", "a", "10", "2"})
        key->CreateSubKey(name);
    auto deep = key->CreateSubKey("b\\deeper");
    EXPECT_EQ(deep->Path(), "A\\b\\deeper");
    deep->SetString("Name", "x");
    EXPECT_EQ(NamesOf(key->SubKeyNames()), (Names{"10", "2", "a", "b", "C"}));
    EXPECT_TRUE(key->SubKeyExists("B\\DEEPER"));
    String name;
    EXPECT_TRUE(key->OpenSubKey("b")->OpenSubKey("deeper")->GetString("Name", name, true));
    // Creating again opens the same key.
    EXPECT_TRUE(key->CreateSubKey("b\\deeper")->GetString("Name", name, true));
    for (const char* impossible : {"", "\\b", "b\\\\c", "missing"})
        EXPECT_FALSE(key->SubKeyExists(impossible)) << impossible;

    RegistryException missing = CatchRegistryException([&] { key->OpenSubKey("missing"); });
    EXPECT_EQ(missing.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(missing.Name(), "A\\missing");
    // A key with subkeys is refused; its values go with it.
    EXPECT_EQ(CatchRegistryException([&] { key->DeleteSubKey("b"); }).Code(),
              RegistryException::NotOpen);
    key->DeleteSubKey("b\\deeper");
    key->DeleteSubKey("b");
    EXPECT_FALSE(key->SubKeyExists("b"));
    EXPECT_FALSE(key->CreateSubKey("b\\deeper")->GetString("Name", name, false));
    EXPECT_EQ(CatchRegistryException([&] { key->DeleteSubKey("gone"); }).Code(),
              RegistryException::NotOpen);
}

TEST_F(RegistryTest, AKeyDeletedUnderAnOpenHandleStaysDeletedForIt) {
    auto parent = Key("A");
    auto child = parent->CreateSubKey("B");
    parent->DeleteSubKey("B");
    parent->CreateSubKey("B"); // a new key of the same name
    uint32_t number = 0;
    EXPECT_EQ(CatchRegistryException([&] { child->GetNumber("N", number); }).Code(),
              RegistryException::KeyDeleted);
    EXPECT_EQ(CatchRegistryException([&] { child->SetNumber("N", 1); }).Code(),
              RegistryException::NotOpen);
    EXPECT_EQ(CatchRegistryException([&] { child->CreateSubKey("C"); }).Code(),
              RegistryException::KeyDeleted);
    EXPECT_FALSE(parent->SubKeyExists("B\\C"));
}

TEST_F(RegistryTest, ValuesAreStoredWithTheirTypeInTheOrderFirstWritten) {
    auto key = Key("A");
    key->SetString("Zeta", "z");
    key->SetNumber("Alpha", 0x12345678);
    key->SetFlag("On", true);
    key->SetFlag("Off", false);
    key->SetString("ZETA", "again"); // the first spelling and place stay
    key->SetString("", "default value");
    EXPECT_EQ(RawValuesOf("A"),
              (std::vector<RawValue>{{"Zeta", RegSz, std::string("again\0", 6)},
                                     {"Alpha", RegDword, "\x78\x56\x34\x12"},
                                     {"On", RegDword, std::string("\1\0\0\0", 4)},
                                     {"Off", RegDword, std::string(4, '\0')},
                                     {"", RegSz, std::string("default value\0", 14)}}));
    key->SetNumber("zeta", 3); // another type replaces the value
    uint32_t read = 0;
    EXPECT_TRUE(key->GetNumber("Zeta", read, true));
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(RawValuesOf("A").size(), 5u);
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
    for (uint32_t number : {0u, 1u, 42961u, 0xFFFFFFFFu}) {
        Key("A")->SetDword("Number", number);
        uint32_t read = 7;
        EXPECT_TRUE(Key("A")->GetNumber("Number", read, true));
        EXPECT_EQ(read, number);
    }
    // A flag is any number but 0.
    Key("A")->SetNumber("Two", 2);
    bool flag = false;
    EXPECT_TRUE(Key("A")->GetFlag("Two", flag));
    EXPECT_TRUE(flag);
}

// Texts another program wrote: one terminating NUL is not part of the text.
TEST_F(RegistryTest, ATextReadsTheSameWithOrWithoutItsTerminatingNul) {
    auto key = Key("A");
    const std::pair<std::string, String> cases[] = {{"abc", "abc"},
                                                    {std::string("abc\0", 4), "abc"},
                                                    {std::string("abc\0\0", 5), String("abc\0", 4)},
                                                    {"", ""}};
    for (const auto& [stored, text] : cases) {
        Plant("A", {"T", RegSz, stored});
        String read;
        EXPECT_TRUE(key->GetString("T", read, true));
        EXPECT_EQ(read, text);
    }
}

TEST_F(RegistryTest, MissingWronglyTypedAndMisSizedValuesFailAsDocumented) {
    auto key = Key("A");
    key->SetString("Text", "12");
    key->SetNumber("Number", 1);
    Plant("A", {"Binary", 3, "abc"});
    for (const char* size : {"abc", "abcde", ""})
        Plant("A", {std::string("Dword") + std::to_string(strlen(size)), RegDword, size});
    String text = "unchanged";
    uint32_t number = 77;
    bool flag = true;
    // Missing: false with the output alone, or FileNotFound when asked to throw.
    EXPECT_FALSE(key->GetString("Missing", text, false));
    EXPECT_FALSE(key->GetNumber("Missing", number));
    EXPECT_FALSE(key->GetFlag("Missing", flag));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(number, 77u);
    EXPECT_TRUE(flag);
    RegistryException missing =
        CatchRegistryException([&] { key->GetNumber("Missing", number, true); });
    EXPECT_EQ(missing.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(missing.Name(), "Missing");
    EXPECT_EQ(CatchRegistryException([&] { key->GetString("Missing", text, true); }).Code(),
              RegistryException::FileNotFound);

    const std::pair<const char*, std::function<void()>> wrong[] = {
        {"Number", [&] { key->GetString("Number", text, false); }},
        {"Binary", [&] { key->GetString("Binary", text, false); }},
        {"Text", [&] { key->GetNumber("Text", number); }},
        {"Text", [&] { key->GetFlag("Text", flag); }},
    };
    for (const auto& [name, read] : wrong) {
        RegistryException e = CatchRegistryException(read);
        EXPECT_EQ(e.Code(), RegistryException::WrongType) << name;
        EXPECT_EQ(e.Name(), name);
    }
    for (const char* name : {"Dword3", "Dword5", "Dword0"})
        EXPECT_EQ(CatchRegistryException([&] { key->GetNumber(name, number, true); }).Code(),
                  RegistryException::BadSize)
            << name;
}

TEST_F(RegistryTest, ValueNamesWithANulByteAndMissingRightsAreRefused) {
    auto key = Key("A");
    String bad("a\0b", 3);
    uint32_t read = 0;
    EXPECT_EQ(CatchRegistryException([&] { key->GetNumber(bad, read); }).Code(),
              RegistryException::InvalidParameter);
    EXPECT_EQ(CatchRegistryException([&] { key->SetNumber(bad, 1); }).Code(),
              RegistryException::NotOpen);
    EXPECT_TRUE(RawValuesOf("A").empty());

    key->SetString("Name", "x");
    Registry none;
    ASSERT_TRUE(none.Open(*store, "A", 0, true));
    String name;
    EXPECT_EQ(CatchRegistryException([&] { none.GetString("Name", name, true); }).Code(),
              RegistryException::AccessDenied);
    EXPECT_EQ(CatchRegistryException([&] { none.SetString("Name", "y"); }).Code(),
              RegistryException::NotOpen);
    EXPECT_EQ(CatchRegistryException([&] { none.CreateSubKey("B"); }).Code(),
              RegistryException::AccessDenied);
}

} // namespace
} // namespace tb::test
