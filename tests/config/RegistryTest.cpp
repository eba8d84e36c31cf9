#include "StoreFixture.h"
#include "config/KeyPath.h"

#include <functional>
#include <vector>

namespace tb::test {
namespace {

const String Root = RootKeyPath;

class RegistryTest : public StoreFixture {
protected:
    std::unique_ptr<Registry> Key(const String& path) {
        auto key = std::make_unique<Registry>();
        key->Open(*store, path, FullAccess, true);
        return key;
    }
};

std::vector<std::string> Names(const std::vector<String>& strings) {
    std::vector<std::string> names;
    for (const String& s : strings)
        names.emplace_back(s.View());
    return names;
}

// --- base path and opening ---

TEST_F(RegistryTest, BasePathGetsOneTrailingBackslash) {
    EXPECT_EQ(Registry().BasePath(), "");
    EXPECT_EQ(Registry("").BasePath(), "");
    EXPECT_EQ(Registry(Root).BasePath(), Root + "\\");
    EXPECT_EQ(Registry("A\\B\\").BasePath(), "A\\B\\");
}

TEST_F(RegistryTest, OpenPutsTheBasePathBeforeThePath) {
    Registry users(Root);
    EXPECT_TRUE(users.Open(*store, "Users", FullAccess, true));
    EXPECT_TRUE(users.IsOpen());
    EXPECT_EQ(users.Path(), Root + "\\Users");
    Registry plain;
    EXPECT_TRUE(plain.OpenExisting(*store, Root + "\\Users", FullAccess, false));
    EXPECT_TRUE(Key(Root)->SubKeyExists("Users"));
}

TEST_F(RegistryTest, OpenCreatesEveryMissingLevel) {
    Registry users(Root);
    users.Open(*store, "Users", FullAccess, true);
    EXPECT_TRUE(Key("Software")->SubKeyExists("Brightfold"));
    EXPECT_EQ(Names(Key("Software\\Brightfold")->SubKeyNames()),
              std::vector<std::string>{"Tunebridge"});
    EXPECT_EQ(Names(Key("")->SubKeyNames()), std::vector<std::string>{"Software"});
}

TEST_F(RegistryTest, OpenOfAnExistingKeyKeepsItsValues) {
    Key("A")->SetNumber("N", 5);
    uint32_t n = 0;
    EXPECT_TRUE(Key("A")->GetNumber("N", n, true));
    EXPECT_EQ(n, 5u);
}

TEST_F(RegistryTest, OpenExistingOfAMissingKeyFails) {
    Registry key(Root);
    EXPECT_FALSE(key.OpenExisting(*store, "Nothing", FullAccess, false));
    EXPECT_FALSE(key.IsOpen());
    RegistryException e =
        CatchRegistryException([&] { key.OpenExisting(*store, "Nothing", FullAccess, true); });
    EXPECT_EQ(e.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(e.Name(), Root + "\\Nothing");
    EXPECT_FALSE(Key(Root)->SubKeyExists("Nothing"));
}

TEST_F(RegistryTest, OpenClosesThePreviousKey) {
    Registry key;
    key.Open(*store, "A", FullAccess, true);
    key.Open(*store, "B", FullAccess, true);
    EXPECT_EQ(key.Path(), "B");
    EXPECT_FALSE(key.OpenExisting(*store, "C", FullAccess, false));
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryTest, MalformedPathsFailWithInvalidParameter) {
    for (const char* path : {"A\\\\B", "\\A", "A\\\\"}) {
        Registry key;
        EXPECT_FALSE(key.Open(*store, path, FullAccess, false)) << path;
        RegistryException e =
            CatchRegistryException([&] { key.Open(*store, path, FullAccess, true); });
        EXPECT_EQ(e.Code(), RegistryException::InvalidParameter) << path;
        EXPECT_EQ(e.Name(), path);
    }
    Registry key;
    EXPECT_FALSE(key.Open(*store, String("A\0B", 3), FullAccess, false));
    EXPECT_EQ(Names(Key("")->SubKeyNames()), std::vector<std::string>{});
}

TEST_F(RegistryTest, OneTrailingBackslashIsIgnored) {
    Registry key;
    EXPECT_TRUE(key.Open(*store, "A\\", FullAccess, true));
    EXPECT_EQ(key.Path(), "A");
}

TEST_F(RegistryTest, KeyNamesIgnoreCaseAndKeepTheFirstSpelling) {
    Key(Root + "\\Users");
    Registry key;
    EXPECT_TRUE(key.OpenExisting(*store, "SOFTWARE\\brightfold\\TuneBridge\\1.0\\users", FullAccess,
                                 false));
    EXPECT_EQ(key.Path(), Root + "\\Users");
    EXPECT_TRUE(Key("software")->SubKeyExists("BRIGHTFOLD"));
}

// --- closed keys ---

TEST_F(RegistryTest, EveryOperationOnAClosedKeyThrowsNotOpenWithTheName) {
    Registry key;
    key.Open(*store, "A", FullAccess, true);
    key.Close();
    EXPECT_FALSE(key.IsOpen());
    bool flag = false;
    uint32_t number = 0;
    String text;
    uint32_t a = 0, b = 0, c = 0, d = 0, e = 0;
    std::vector<std::pair<const char*, std::function<void()>>> operations = {
        {"Sub", [&] { key.SubKeyExists("Sub"); }},
        {"Sub", [&] { key.OpenSubKey("Sub"); }},
        {"Sub", [&] { key.CreateSubKey("Sub"); }},
        {"Sub", [&] { key.DeleteSubKey("Sub"); }},
        {"Flag", [&] { key.GetFlag("Flag", flag); }},
        {"Number", [&] { key.GetNumber("Number", number); }},
        {"Number", [&] { key.GetNumber("Number", number, false); }},
        {"Text", [&] { key.GetString("Text", text, false); }},
        {"Flag", [&] { key.SetFlag("Flag", true); }},
        {"Number", [&] { key.SetNumber("Number", 1); }},
        {"Number", [&] { key.SetDword("Number", 1); }},
        {"Text", [&] { key.SetString("Text", "x"); }},
        {"Raw", [&] { key.GetValue("Raw"); }},
        {"Raw", [&] { key.SetValue("Raw", RegSz, "x"); }},
        {"Raw", [&] { key.DeleteValue("Raw"); }},
        {"(QueryKey)", [&] { key.QueryInfo(a, b, c, d, e); }},
        {"(EnumValue)", [&] { key.Values(); }},
        {"(EnumKey)", [&] { key.SubKeyNames(); }},
    };
    for (const auto& [name, operation] : operations) {
        RegistryException error = CatchRegistryException(operation);
        EXPECT_EQ(error.Code(), RegistryException::NotOpen) << name;
        EXPECT_EQ(error.Name(), name);
    }
    EXPECT_EQ(CatchRegistryException([&] { key.Store(); }).Code(), RegistryException::NotOpen);
    EXPECT_EQ(CatchRegistryException([&] { Registry().GetFlag("F", flag); }).Code(),
              RegistryException::NotOpen);
}

// --- subkeys ---

TEST_F(RegistryTest, CreateSubKeyMakesAKeyThatOpenSubKeyFinds) {
    auto parent = Key(Root);
    EXPECT_FALSE(parent->SubKeyExists("General"));
    auto created = parent->CreateSubKey("General");
    EXPECT_TRUE(created->IsOpen());
    EXPECT_EQ(created->BasePath(), "");
    EXPECT_EQ(created->Path(), Root + "\\General");
    created->SetString("Name", "x");
    EXPECT_TRUE(parent->SubKeyExists("General"));
    String name;
    EXPECT_TRUE(parent->OpenSubKey("General")->GetString("Name", name, true));
    EXPECT_EQ(name, "x");
    // Creating again opens the same key.
    EXPECT_TRUE(parent->CreateSubKey("General")->GetString("Name", name, true));
}

TEST_F(RegistryTest, SubKeyNamesMayHoldSeveralLevels) {
    auto parent = Key("A");
    parent->CreateSubKey("B\\C");
    EXPECT_TRUE(parent->SubKeyExists("B"));
    EXPECT_TRUE(parent->SubKeyExists("B\\C"));
    EXPECT_TRUE(parent->OpenSubKey("B")->SubKeyExists("C"));
}

TEST_F(RegistryTest, OpenSubKeyOfAMissingKeyThrowsFileNotFound) {
    RegistryException e = CatchRegistryException([&] { Key("A")->OpenSubKey("Missing"); });
    EXPECT_EQ(e.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(e.Name(), "A\\Missing");
}

TEST_F(RegistryTest, SubKeyExistsIsFalseForNamesThatCannotExist) {
    auto key = Key("A");
    key->CreateSubKey("B");
    for (const char* name : {"", "\\B", "B\\\\C", "C"})
        EXPECT_FALSE(key->SubKeyExists(name)) << name;
}

TEST_F(RegistryTest, SubKeyNamesAreOrderedWithoutRegardToCase) {
    auto key = Key("A");
    for (const char* name : {"b", "C", "a", "10", "2"})
        key->CreateSubKey(name);
    key->CreateSubKey("b\\deeper");
    EXPECT_EQ(Names(key->SubKeyNames()), (std::vector<std::string>{"10", "2", "a", "b", "C"}));
}

TEST_F(RegistryTest, DeleteSubKeyRemovesTheKeyAndItsValues) {
    auto key = Key("A");
    key->CreateSubKey("Gone")->SetString("Name", "x");
    key->DeleteSubKey("Gone");
    EXPECT_FALSE(key->SubKeyExists("Gone"));
    String name;
    EXPECT_FALSE(key->CreateSubKey("Gone")->GetString("Name", name, false));
}

TEST_F(RegistryTest, DeleteSubKeyOfAMissingKeyThrowsNotOpen) {
    RegistryException e = CatchRegistryException([&] { Key("A")->DeleteSubKey("Missing"); });
    EXPECT_EQ(e.Code(), RegistryException::NotOpen);
    EXPECT_EQ(e.Name(), "Missing");
}

TEST_F(RegistryTest, DeleteSubKeyRefusesAKeyWithSubkeys) {
    auto key = Key("A");
    key->CreateSubKey("B\\C");
    RegistryException e = CatchRegistryException([&] { key->DeleteSubKey("B"); });
    EXPECT_EQ(e.Code(), RegistryException::NotOpen);
    EXPECT_EQ(e.Name(), "B");
    EXPECT_TRUE(key->SubKeyExists("B\\C"));
    key->DeleteSubKey("B\\C");
    key->DeleteSubKey("B");
    EXPECT_FALSE(key->SubKeyExists("B"));
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
    EXPECT_FALSE(child->SubKeyExists("C"));
    uint32_t a, b, c, d, e;
    EXPECT_FALSE(child->QueryInfo(a, b, c, d, e));
    EXPECT_FALSE(parent->SubKeyExists("B\\C"));
}

// --- texts ---

TEST_F(RegistryTest, StringsRoundTripExactly) {
    auto key = Key("A");
    const String texts[] = {"Tune Bridge", "", String("a\0b", 3), "\xe5\xe4\xf6 \xc3\xa9",
                            String(std::string(100000, 'x'))};
    for (const String& text : texts) {
        key->SetString("Text", text);
        String read = "unchanged";
        EXPECT_TRUE(key->GetString("Text", read, true));
        EXPECT_EQ(read, text);
    }
}

TEST_F(RegistryTest, SetStringStoresTheTextWithItsTerminatingNul) {
    auto key = Key("A");
    key->SetString("Text", "abc");
    std::optional<ValueInfo> value = key->GetValue("Text");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, RegSz);
    EXPECT_EQ(value->data, String("abc\0", 4));
}

TEST_F(RegistryTest, ATextReadsTheSameWithOrWithoutItsTerminatingNul) {
    auto key = Key("A");
    String read;
    key->SetValue("Bare", RegSz, "abc");
    EXPECT_TRUE(key->GetString("Bare", read, true));
    EXPECT_EQ(read, "abc");
    key->SetValue("Terminated", RegSz, std::string_view("abc\0", 4));
    EXPECT_TRUE(key->GetString("Terminated", read, true));
    EXPECT_EQ(read, "abc");
    // Only one terminator is dropped.
    key->SetValue("Twice", RegSz, std::string_view("abc\0\0", 5));
    EXPECT_TRUE(key->GetString("Twice", read, true));
    EXPECT_EQ(read, String("abc\0", 4));
    key->SetValue("Empty", RegSz, "");
    EXPECT_TRUE(key->GetString("Empty", read, true));
    EXPECT_EQ(read, "");
}

TEST_F(RegistryTest, AMissingStringLeavesTheOutputAloneOrThrowsFileNotFound) {
    auto key = Key("A");
    String read = "unchanged";
    EXPECT_FALSE(key->GetString("Missing", read, false));
    EXPECT_EQ(read, "unchanged");
    RegistryException e = CatchRegistryException([&] { key->GetString("Missing", read, true); });
    EXPECT_EQ(e.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(e.Name(), "Missing");
}

TEST_F(RegistryTest, GetStringOfANonTextThrowsWrongType) {
    auto key = Key("A");
    key->SetNumber("Number", 1);
    key->SetValue("Binary", 3, "abc");
    String read;
    for (const char* name : {"Number", "Binary"}) {
        RegistryException e = CatchRegistryException([&] { key->GetString(name, read, false); });
        EXPECT_EQ(e.Code(), RegistryException::WrongType);
        EXPECT_EQ(e.Name(), name);
    }
}

// --- numbers and flags ---

TEST_F(RegistryTest, NumbersAreFourLittleEndianBytes) {
    auto key = Key("A");
    key->SetNumber("Number", 0x12345678);
    std::optional<ValueInfo> value = key->GetValue("Number");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, RegDword);
    EXPECT_EQ(value->data, String("\x78\x56\x34\x12", 4));
    for (uint32_t number : {0u, 1u, 42961u, 0xFFFFFFFFu}) {
        key->SetDword("Number", number);
        uint32_t read = 7;
        EXPECT_TRUE(key->GetNumber("Number", read, true));
        EXPECT_EQ(read, number);
    }
}

TEST_F(RegistryTest, AMissingNumberReturnsFalseAndLeavesTheOutputAlone) {
    auto key = Key("A");
    uint32_t read = 77;
    EXPECT_FALSE(key->GetNumber("Missing", read));
    EXPECT_FALSE(key->GetNumber("Missing", read, false));
    EXPECT_EQ(read, 77u);
    RegistryException e = CatchRegistryException([&] { key->GetNumber("Missing", read, true); });
    EXPECT_EQ(e.Code(), RegistryException::FileNotFound);
    EXPECT_EQ(e.Name(), "Missing");
}

TEST_F(RegistryTest, GetNumberOfATextThrowsWrongType) {
    auto key = Key("A");
    key->SetString("Text", "12");
    key->SetValue("Short", RegSz, "1");
    uint32_t read = 0;
    for (const char* name : {"Text", "Short"}) {
        RegistryException e = CatchRegistryException([&] { key->GetNumber(name, read, false); });
        EXPECT_EQ(e.Code(), RegistryException::WrongType);
        EXPECT_EQ(e.Name(), name);
    }
    EXPECT_EQ(CatchRegistryException([&] { key->GetNumber("Text", read); }).Code(),
              RegistryException::WrongType);
}

TEST_F(RegistryTest, ANumberNotOfFourBytesThrowsBadSize) {
    auto key = Key("A");
    key->SetValue("Three", RegDword, "abc");
    key->SetValue("Five", RegDword, "abcde");
    key->SetValue("None", RegDword, "");
    uint32_t read = 0;
    for (const char* name : {"Three", "Five", "None"}) {
        RegistryException e = CatchRegistryException([&] { key->GetNumber(name, read, true); });
        EXPECT_EQ(e.Code(), RegistryException::BadSize) << name;
        EXPECT_EQ(e.Name(), name);
    }
}

TEST_F(RegistryTest, FlagsAreWrittenAsZeroOrOneAndReadAsNotZero) {
    auto key = Key("A");
    key->SetFlag("On", true);
    key->SetFlag("Off", false);
    EXPECT_EQ(key->GetValue("On")->Number(), 1u);
    EXPECT_EQ(key->GetValue("On")->type, RegDword);
    EXPECT_EQ(key->GetValue("Off")->Number(), 0u);
    key->SetNumber("Two", 2);
    bool flag = false;
    EXPECT_TRUE(key->GetFlag("Two", flag));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(key->GetFlag("Off", flag));
    EXPECT_FALSE(flag);
    flag = true;
    EXPECT_FALSE(key->GetFlag("Missing", flag));
    EXPECT_TRUE(flag);
}

TEST_F(RegistryTest, GetFlagOfATextThrowsWrongType) {
    auto key = Key("A");
    key->SetString("Text", "1");
    bool flag = false;
    EXPECT_EQ(CatchRegistryException([&] { key->GetFlag("Text", flag); }).Code(),
              RegistryException::WrongType);
}

TEST_F(RegistryTest, WritingAnotherTypeReplacesTheValue) {
    auto key = Key("A");
    key->SetString("Value", "text");
    key->SetNumber("Value", 3);
    uint32_t read = 0;
    EXPECT_TRUE(key->GetNumber("Value", read, true));
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(key->Values().size(), 1u);
}

// --- value names, listing, deleting ---

TEST_F(RegistryTest, ValueNamesIgnoreCaseAndKeepTheFirstSpelling) {
    auto key = Key("A");
    key->SetNumber("Port", 1);
    key->SetNumber("PORT", 2);
    uint32_t read = 0;
    EXPECT_TRUE(key->GetNumber("port", read, true));
    EXPECT_EQ(read, 2u);
    std::vector<ValueInfo> values = key->Values();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "Port");
}

TEST_F(RegistryTest, ValuesAreListedInTheOrderTheyWereFirstWritten) {
    auto key = Key("A");
    key->SetString("Zeta", "z");
    key->SetNumber("Alpha", 1);
    key->SetString("Mid", "m");
    key->SetString("Zeta", "again");
    key->SetString("", "default value");
    std::vector<ValueInfo> values = key->Values();
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0].name, "Zeta");
    EXPECT_EQ(values[0].type, RegSz);
    EXPECT_EQ(values[0].Text(), "again");
    EXPECT_EQ(values[1].name, "Alpha");
    EXPECT_EQ(values[1].type, RegDword);
    EXPECT_EQ(values[1].Number(), 1u);
    EXPECT_EQ(values[2].name, "Mid");
    EXPECT_EQ(values[3].name, "");
}

TEST_F(RegistryTest, DeleteValueRemovesOneValue) {
    auto key = Key("A");
    key->SetNumber("A", 1);
    key->SetNumber("B", 2);
    EXPECT_TRUE(key->DeleteValue("a"));
    EXPECT_FALSE(key->DeleteValue("A"));
    EXPECT_FALSE(key->GetValue("A"));
    EXPECT_TRUE(key->GetValue("B"));
}

TEST_F(RegistryTest, ValueNamesWithANulByteAreRefused) {
    auto key = Key("A");
    String bad("a\0b", 3);
    uint32_t read = 0;
    EXPECT_EQ(CatchRegistryException([&] { key->GetNumber(bad, read); }).Code(),
              RegistryException::InvalidParameter);
    EXPECT_EQ(CatchRegistryException([&] { key->SetNumber(bad, 1); }).Code(),
              RegistryException::NotOpen);
    EXPECT_TRUE(key->Values().empty());
}

TEST_F(RegistryTest, QueryInfoCountsSubkeysAndValues) {
    auto key = Key("A");
    key->CreateSubKey("0");
    key->CreateSubKey("Longer");
    key->CreateSubKey("Longer\\Deeper\\Deepest");
    key->SetNumber("A", 1);
    key->SetString("Name", "hello");
    uint32_t subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
    ASSERT_TRUE(key->QueryInfo(subKeys, maxSubKey, values, maxName, maxData));
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 6u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 4u);
    EXPECT_EQ(maxData, 6u);
}

TEST_F(RegistryTest, ReadAccessAllowsReadingOnly) {
    Key("A")->SetString("Name", "x");
    Registry key;
    ASSERT_TRUE(key.OpenExisting(*store, "A", ReadAccess, true));
    String name;
    EXPECT_TRUE(key.GetString("Name", name, true));
    EXPECT_EQ(key.Values().size(), 1u);
    EXPECT_EQ(CatchRegistryException([&] { key.SetString("Name", "y"); }).Code(),
              RegistryException::NotOpen);
    EXPECT_EQ(CatchRegistryException([&] { key.CreateSubKey("B"); }).Code(),
              RegistryException::AccessDenied);
    EXPECT_EQ(CatchRegistryException([&] { key.DeleteSubKey("B"); }).Code(),
              RegistryException::NotOpen);
    Registry none;
    ASSERT_TRUE(none.OpenExisting(*store, "A", 0, true));
    EXPECT_EQ(CatchRegistryException([&] { none.GetString("Name", name, true); }).Code(),
              RegistryException::AccessDenied);
}

TEST_F(RegistryTest, ValuesSurviveReopeningTheStore) {
    auto key = Key(Root + "\\General");
    key->SetString("Name", "kept");
    key->SetNumber("Installed", 1);
    key.reset();
    Reopen();
    auto again = Key(Root + "\\General");
    String name;
    uint32_t installed = 0;
    EXPECT_TRUE(again->GetString("Name", name, true));
    EXPECT_TRUE(again->GetNumber("Installed", installed, true));
    EXPECT_EQ(name, "kept");
    EXPECT_EQ(installed, 1u);
}

// --- key paths ---

TEST(KeyPathTest, SplitsAndJoinsLevels) {
    EXPECT_EQ(KeyPath::Parent("A\\B\\C"), "A\\B");
    EXPECT_EQ(KeyPath::Parent("A"), "");
    EXPECT_EQ(KeyPath::Leaf("A\\B\\C"), "C");
    EXPECT_EQ(KeyPath::Leaf("A"), "A");
    EXPECT_EQ(KeyPath::Child("", "A"), "A");
    EXPECT_EQ(KeyPath::Child("A", "B\\C"), "A\\B\\C");
    EXPECT_EQ(KeyPath::Normalize(""), "");
    EXPECT_EQ(KeyPath::Normalize("\\"), "");
    EXPECT_EQ(KeyPath::Normalize("A\\B\\"), "A\\B");
    EXPECT_THROW(KeyPath::Child("A", ""), RegistryException);
    EXPECT_THROW(KeyPath::Normalize("A\\\\B"), RegistryException);
}

} // namespace
} // namespace tb::test
