#include "config/SettingsStorage.h"

#include "StoreFixture.h"

#include <arpa/inet.h>

namespace tb::test {
namespace {

class SettingsStorageTest : public StoreFixture {
protected:
    std::vector<std::string> ValueNames(const char* subKey) {
        std::vector<std::string> names;
        for (const ValueInfo& value : ConfigKey(subKey)->Values())
            names.emplace_back(value.name.View());
        return names;
    }

    String Text(const char* subKey, const char* name) {
        std::optional<ValueInfo> value = ConfigKey(subKey)->GetValue(name);
        EXPECT_TRUE(value) << name;
        EXPECT_EQ(value ? value->type : 0, RegSz) << name;
        return value ? value->Text() : String();
    }

    uint32_t Number(const char* subKey, const char* name) {
        std::optional<ValueInfo> value = ConfigKey(subKey)->GetValue(name);
        EXPECT_TRUE(value) << name;
        EXPECT_EQ(value ? value->type : 0, RegDword) << name;
        return value && value->Number() ? *value->Number() : 0xDEADu;
    }
};

IPAddress Address(const char* host, uint16_t port) {
    in_addr converted{};
    inet_pton(AF_INET, host, &converted);
    return IPAddress(converted.s_addr, port);
}

TEST_F(SettingsStorageTest, AFreshStoreLoadsTheDefaultsAndGetsItsKeys) {
    Settings settings;
    LoadSettings(*store, settings);
    EXPECT_EQ(settings.name, "Tune Bridge");
    EXPECT_EQ(settings.localAddress, IPAddress(0, 42961));
    EXPECT_EQ(settings.publicAddress, IPAddress(0, 42961));
    EXPECT_TRUE(settings.autoAuthorizeUnits);
    EXPECT_TRUE(settings.autoDetectUnits);
    EXPECT_FALSE(settings.logHttpRequests);
    EXPECT_EQ(settings.webSkinName, "(Standard)");
    EXPECT_FALSE(settings.showedCloseNote);
    EXPECT_FALSE(settings.preloadMp3Info);
    EXPECT_FALSE(settings.createGenreFolder);
    EXPECT_FALSE(settings.createArtistFolder);
    EXPECT_FALSE(settings.createAlbumFolder);
    EXPECT_FALSE(settings.createYearFolder);
    EXPECT_EQ(settings.maxConnections, 1024);
    EXPECT_EQ(settings.idleTimeoutSeconds, 120);
    Registry root;
    ASSERT_TRUE(root.OpenExisting(*store, RootKeyPath, FullAccess, false));
    EXPECT_TRUE(root.SubKeyExists("General"));
    EXPECT_TRUE(root.SubKeyExists("MP3"));
    EXPECT_TRUE(ConfigKey("General")->Values().empty());
    EXPECT_FALSE(IsInstalled(*store));
}

TEST_F(SettingsStorageTest, SavingTheDefaultsWritesTheListedValuesInOrder) {
    SaveSettings(*store, Settings());
    EXPECT_EQ(ValueNames("General"),
              (std::vector<std::string>{"Name", "IPAddress", "PublicIPAddress",
                                        "AutoAuthorizeUnits", "AutoDetectUnits", "Installed",
                                        "LogHttpRequests", "WebSkinName"}));
    EXPECT_EQ(ValueNames("MP3"),
              (std::vector<std::string>{"PreloadMp3Info", "CreateGenreFolder", "CreateArtistFolder",
                                        "CreateAlbumFolder", "CreateYearFolder"}));
    EXPECT_EQ(Text("General", "Name"), "Tune Bridge");
    EXPECT_EQ(Text("General", "IPAddress"), "0.0.0.0:42961");
    EXPECT_EQ(Text("General", "PublicIPAddress"), "0.0.0.0:42961");
    EXPECT_EQ(Number("General", "AutoAuthorizeUnits"), 1u);
    EXPECT_EQ(Number("General", "AutoDetectUnits"), 1u);
    EXPECT_EQ(Number("General", "Installed"), 1u);
    EXPECT_EQ(Number("General", "LogHttpRequests"), 0u);
    EXPECT_EQ(Text("General", "WebSkinName"), "(Standard)");
    for (const char* flag : {"PreloadMp3Info", "CreateGenreFolder", "CreateArtistFolder",
                             "CreateAlbumFolder", "CreateYearFolder"})
        EXPECT_EQ(Number("MP3", flag), 0u) << flag;
    EXPECT_TRUE(IsInstalled(*store));
}

TEST_F(SettingsStorageTest, SavedTextsEndInOneNul) {
    SaveSettings(*store, Settings());
    EXPECT_EQ(ConfigKey("General")->GetValue("IPAddress")->data, String("0.0.0.0:42961\0", 14));
}

Settings Changed() {
    Settings settings;
    settings.name = "Basement";
    settings.localAddress = Address("192.168.0.2", 49553);
    settings.publicAddress = Address("203.0.113.9", 8080);
    settings.autoAuthorizeUnits = false;
    settings.autoDetectUnits = false;
    settings.logHttpRequests = true;
    settings.webSkinName = "Dark";
    settings.preloadMp3Info = true;
    settings.createGenreFolder = true;
    settings.createArtistFolder = false;
    settings.createAlbumFolder = true;
    settings.createYearFolder = true;
    return settings;
}

TEST_F(SettingsStorageTest, SavedSettingsLoadBack) {
    SaveSettings(*store, Changed());
    Reopen();
    Settings loaded;
    LoadSettings(*store, loaded);
    Settings expected = Changed();
    EXPECT_EQ(loaded.name, expected.name);
    EXPECT_EQ(loaded.localAddress, expected.localAddress);
    EXPECT_EQ(loaded.publicAddress, expected.publicAddress);
    EXPECT_FALSE(loaded.autoAuthorizeUnits);
    EXPECT_FALSE(loaded.autoDetectUnits);
    EXPECT_TRUE(loaded.logHttpRequests);
    EXPECT_EQ(loaded.webSkinName, "Dark");
    EXPECT_TRUE(loaded.preloadMp3Info);
    EXPECT_TRUE(loaded.createGenreFolder);
    EXPECT_FALSE(loaded.createArtistFolder);
    EXPECT_TRUE(loaded.createAlbumFolder);
    EXPECT_TRUE(loaded.createYearFolder);
    EXPECT_EQ(Text("General", "IPAddress"), "192.168.0.2:49553");
    EXPECT_EQ(Number("MP3", "CreateArtistFolder"), 0u);
    EXPECT_EQ(Number("MP3", "CreateYearFolder"), 1u);
}

TEST_F(SettingsStorageTest, AStoredAddressIsUsed) {
    ConfigKey("General")->SetString("IPAddress", "192.168.0.2:49553");
    Settings settings;
    LoadSettings(*store, settings);
    EXPECT_EQ(settings.localAddress, Address("192.168.0.2", 49553));
    EXPECT_EQ(settings.publicAddress, IPAddress(0, 42961));
}

TEST_F(SettingsStorageTest, AnEmptyAddressKeepsTheSetting) {
    ConfigKey("General")->SetString("IPAddress", "");
    Settings settings;
    settings.localAddress = Address("10.0.0.1", 1);
    LoadSettings(*store, settings);
    EXPECT_EQ(settings.localAddress, Address("10.0.0.1", 1));
}

TEST_F(SettingsStorageTest, AnAddressThatDoesNotParseIsReportedAfterEverythingElseIsRead) {
    auto general = ConfigKey("General");
    general->SetString("Name", "Read anyway");
    general->SetString("IPAddress", "192.168.0.2");
    general->SetString("PublicIPAddress", "203.0.113.9:80");
    general->SetFlag("LogHttpRequests", true);
    ConfigKey("MP3")->SetFlag("PreloadMp3Info", true);
    Settings settings;
    EXPECT_THROW(LoadSettings(*store, settings), IPAddressException);
    EXPECT_EQ(settings.localAddress, IPAddress(0, 42961));
    EXPECT_EQ(settings.publicAddress, Address("203.0.113.9", 80));
    EXPECT_EQ(settings.name, "Read anyway");
    EXPECT_TRUE(settings.logHttpRequests);
    EXPECT_TRUE(settings.preloadMp3Info);
}

TEST_F(SettingsStorageTest, AnAddressWithANulByteDoesNotParse) {
    ConfigKey("General")->SetString("IPAddress", String("1.2.3.4:80\0junk", 15));
    Settings settings;
    EXPECT_THROW(LoadSettings(*store, settings), IPAddressException);
    EXPECT_EQ(settings.localAddress, IPAddress(0, 42961));
}

TEST_F(SettingsStorageTest, AnEmptySkinNameLoadsAsStandard) {
    ConfigKey("General")->SetString("WebSkinName", "");
    Settings settings;
    settings.webSkinName = "Dark";
    LoadSettings(*store, settings);
    EXPECT_EQ(settings.webSkinName, "(Standard)");
}

TEST_F(SettingsStorageTest, MissingValuesKeepWhatTheSettingsHeld) {
    ConfigKey("General")->SetString("Name", "Only this");
    Settings settings;
    settings.logHttpRequests = true;
    settings.autoAuthorizeUnits = false;
    settings.webSkinName = "Kept";
    settings.createYearFolder = true;
    settings.publicAddress = Address("10.0.0.1", 7);
    LoadSettings(*store, settings);
    EXPECT_EQ(settings.name, "Only this");
    EXPECT_TRUE(settings.logHttpRequests);
    EXPECT_FALSE(settings.autoAuthorizeUnits);
    EXPECT_EQ(settings.webSkinName, "Kept");
    EXPECT_TRUE(settings.createYearFolder);
    EXPECT_EQ(settings.publicAddress, Address("10.0.0.1", 7));
}

TEST_F(SettingsStorageTest, ValuesOfTheWrongTypeKeepTheirDefaults) {
    auto general = ConfigKey("General");
    general->SetString("AutoAuthorizeUnits", "0");
    general->SetNumber("Name", 5);
    general->SetValue("LogHttpRequests", RegDword, "ab");
    general->SetFlag("AutoDetectUnits", false);
    Settings settings;
    LoadSettings(*store, settings);
    EXPECT_TRUE(settings.autoAuthorizeUnits);
    EXPECT_EQ(settings.name, "Tune Bridge");
    EXPECT_FALSE(settings.logHttpRequests);
    EXPECT_FALSE(settings.autoDetectUnits);
}

TEST_F(SettingsStorageTest, FlagsReadAsTrueWhenNotZero) {
    ConfigKey("MP3")->SetNumber("CreateGenreFolder", 7);
    ConfigKey("General")->SetNumber("AutoAuthorizeUnits", 0);
    Settings settings;
    LoadSettings(*store, settings);
    EXPECT_TRUE(settings.createGenreFolder);
    EXPECT_FALSE(settings.autoAuthorizeUnits);
}

TEST_F(SettingsStorageTest, ConnectionBoundsAreReadWhenSensible) {
    auto general = ConfigKey("General");
    general->SetNumber("MaxConnections", 50);
    general->SetNumber("IdleTimeoutSeconds", 30);
    Settings settings;
    LoadSettings(*store, settings);
    EXPECT_EQ(settings.maxConnections, 50);
    EXPECT_EQ(settings.idleTimeoutSeconds, 30);
}

TEST_F(SettingsStorageTest, ConnectionBoundsOfZeroOrAbsurdSizeAreIgnored) {
    auto general = ConfigKey("General");
    for (uint32_t bad : {0u, 0xFFFFFFFFu, 0x80000000u, 10000000u}) {
        general->SetNumber("MaxConnections", bad);
        general->SetNumber("IdleTimeoutSeconds", bad);
        Settings settings;
        LoadSettings(*store, settings);
        EXPECT_EQ(settings.maxConnections, 1024) << bad;
        EXPECT_EQ(settings.idleTimeoutSeconds, 120) << bad;
    }
    general->SetString("MaxConnections", "50");
    Settings settings;
    LoadSettings(*store, settings);
    EXPECT_EQ(settings.maxConnections, 1024);
}

TEST_F(SettingsStorageTest, SaveSettingsLeavesOtherValuesAlone) {
    auto general = ConfigKey("General");
    general->SetNumber("MaxConnections", 50);
    general->SetFlag("ShowedCloseNote", true);
    Settings settings;
    settings.maxConnections = 7;
    settings.showedCloseNote = false;
    SaveSettings(*store, settings);
    EXPECT_EQ(Number("General", "MaxConnections"), 50u);
    EXPECT_EQ(Number("General", "ShowedCloseNote"), 1u);
}

TEST_F(SettingsStorageTest, TheCloseNoteFlagIsWrittenAlone) {
    SaveCloseNoteFlag(*store, true);
    EXPECT_EQ(ValueNames("General"), std::vector<std::string>{"ShowedCloseNote"});
    EXPECT_EQ(Number("General", "ShowedCloseNote"), 1u);
    Settings settings;
    LoadSettings(*store, settings);
    EXPECT_TRUE(settings.showedCloseNote);
    SaveCloseNoteFlag(*store, false);
    EXPECT_EQ(Number("General", "ShowedCloseNote"), 0u);
}

TEST_F(SettingsStorageTest, InstalledIsPresentAndNotZero) {
    EXPECT_FALSE(IsInstalled(*store));
    ConfigKey("General")->SetNumber("Installed", 0);
    EXPECT_FALSE(IsInstalled(*store));
    ConfigKey("General")->SetString("Installed", "1");
    EXPECT_FALSE(IsInstalled(*store));
    MarkInstalled(*store, "Attic");
    EXPECT_TRUE(IsInstalled(*store));
    EXPECT_EQ(Number("General", "Installed"), 1u);
    EXPECT_EQ(Text("General", "Name"), "Attic");
}

TEST_F(SettingsStorageTest, OpenConfigKeyOpensBelowTheRootKey) {
    std::unique_ptr<Registry> users = OpenConfigKey(*store, UsersKey);
    EXPECT_EQ(users->Path(), String(RootKeyPath) + "\\Users");
    EXPECT_EQ(OpenConfigKey(*store, ServicesKey)->Path(), String(RootKeyPath) + "\\Services");
}

} // namespace
} // namespace tb::test
