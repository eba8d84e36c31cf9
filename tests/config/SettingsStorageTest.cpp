// Where the store lives, and the settings in it: names, types and order of
// what is written, what loads back, and limits taken only in their range.
#include "config/SettingsStorage.h"

#include "StoreFixture.h"
#include "config/ConfigDirectory.h"
#include "config/ValueInfo.h"

#include <cstdlib>
#include <optional>

namespace tb::test {
namespace {

RawValue Text(const std::string& name, const std::string& text) {
    return {name, RegSz, text + std::string(1, '\0')};
}

// A number below 256, least significant byte first.
RawValue Number(const std::string& name, char n) {
    return {name, RegDword, std::string(1, n) + std::string(3, '\0')};
}

class SettingsStorageTest : public StoreFixture {
protected:
    const String General = String(RootKeyPath) + "\\General";
    const String Mp3 = String(RootKeyPath) + "\\MP3";

    Settings Loaded() {
        Settings settings;
        LoadSettings(*store, settings);
        return settings;
    }
};

TEST_F(SettingsStorageTest, SavingWritesTheListedValuesInOrderAndTheyLoadBack) {
    EXPECT_FALSE(IsInstalled(*store));
    Settings changed;
    changed.name = "Basement";
    changed.localAddress = IPAddress::FromHostPort("192.168.0.2:49553");
    changed.publicAddress = IPAddress::FromHostPort("203.0.113.9:8080");
    changed.autoAuthorizeUnits = false;
    changed.logHttpRequests = true;
    changed.webSkinName = "Dark";
    changed.createGenreFolder = true;
    changed.createYearFolder = true;
    changed.maxConnections = 7; // kept apart: not written by the setup's save
    SaveSettings(*store, changed);
    EXPECT_EQ(RawValuesOf(General),
              (std::vector<RawValue>{
                  Text("Name", "Basement"), Text("IPAddress", "192.168.0.2:49553"),
                  Text("PublicIPAddress", "203.0.113.9:8080"), Number("AutoAuthorizeUnits", 0),
                  Number("AutoDetectUnits", 1), Number("Installed", 1),
                  Number("LogHttpRequests", 1), Text("WebSkinName", "Dark")}));
    EXPECT_EQ(RawValuesOf(Mp3), (std::vector<RawValue>{
                                    Number("PreloadMp3Info", 0), Number("CreateGenreFolder", 1),
                                    Number("CreateArtistFolder", 0), Number("CreateAlbumFolder", 0),
                                    Number("CreateYearFolder", 1)}));
    EXPECT_TRUE(IsInstalled(*store));
    Reopen();
    Settings loaded = Loaded();
    EXPECT_EQ(loaded.name, "Basement");
    EXPECT_EQ(loaded.localAddress, changed.localAddress);
    EXPECT_EQ(loaded.publicAddress, changed.publicAddress);
    EXPECT_FALSE(loaded.autoAuthorizeUnits);
    EXPECT_EQ(loaded.webSkinName, "Dark");
    EXPECT_TRUE(loaded.createYearFolder);
    EXPECT_EQ(loaded.maxConnections, 1024);
}

TEST_F(SettingsStorageTest, LimitsAreTakenOnlyInTheirRange) {
    struct Case {
        const char* name;
        int32_t Settings::*field;
        uint32_t low, high;
        int32_t fallback;
    };
    const Case cases[] = {
        {"MaxConnections", &Settings::maxConnections, 1, 65535, 1024},
        {"IdleTimeoutSeconds", &Settings::idleTimeoutSeconds, 1, 86400, 120},
        {"SendTimeoutSeconds", &Settings::sendTimeoutSeconds, 1, 86400, 60},
        {"MaxAutoUnits", &Settings::maxAutoUnits, 0, 100000, 32},
        {"StationTimeoutSeconds", &Settings::stationTimeoutSeconds, 1, 86400, 30},
    };
    auto general = ConfigKey("General");
    for (const Case& c : cases) {
        for (uint32_t good : {c.low, c.high}) {
            general->SetNumber(c.name, good);
            EXPECT_EQ(Loaded().*c.field, static_cast<int32_t>(good)) << c.name;
        }
        for (uint32_t bad : {c.low - 1, c.high + 1, 0x80000000u}) {
            general->SetNumber(c.name, bad);
            EXPECT_EQ(Loaded().*c.field, c.fallback) << c.name << " " << bad;
        }
        general->SetString(c.name, "50");
        EXPECT_EQ(Loaded().*c.field, c.fallback) << c.name;
    }
    Settings settings;
    settings.maxAutoUnits = 5;
    SaveLimit(*store, SettingLimits[3], settings);
    EXPECT_EQ(Loaded().maxAutoUnits, 5);
}

TEST_F(SettingsStorageTest, SingleValuesAreWrittenAlone) {
    SaveCloseNoteFlag(*store, true);
    EXPECT_EQ(RawValuesOf(General), std::vector<RawValue>{Number("ShowedCloseNote", 1)});
    EXPECT_TRUE(Loaded().showedCloseNote);
    MarkInstalled(*store, "Attic");
    EXPECT_EQ(RawValuesOf(General),
              (std::vector<RawValue>{Number("ShowedCloseNote", 1), Number("Installed", 1),
                                     Text("Name", "Attic")}));
    Settings mp3;
    ConfigKey("MP3")->SetFlag("CreateAlbumFolder", true);
    LoadMp3Settings(*store, mp3);
    EXPECT_TRUE(mp3.createAlbumFolder);
    EXPECT_EQ(mp3.name, "Tune Bridge"); // "General" is not read
}

// Sets a variable for one case and puts the old value back afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ConfigDirectoryTest, EachSourceIsTakenInItsTurn) {
    struct Case {
        const char* given;
        const char* own;
        const char* xdg;
        const char* home;
        const char* expected; // null: the password database's home, then .config/tunebridge
    };
    const Case cases[] = {
        {"/given", "/env/dir", "/xdg", "/home/someone", "/given"},
        {"", "/env/dir", "/xdg", "/home/someone", "/env/dir"},
        {"", nullptr, "/xdg", "/home/someone", "/xdg/tunebridge"},
        {"", nullptr, nullptr, "/home/someone", "/home/someone/.config/tunebridge"},
        {"", nullptr, "relative/config", "/home/someone", "/home/someone/.config/tunebridge"},
        {"", nullptr, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        ScopedVariable own("TUNEBRIDGE_CONFIG_DIR", c.own), xdg("XDG_CONFIG_HOME", c.xdg),
            home("HOME", c.home);
        std::string directory(ConfigDirectory(c.given).View());
        if (c.expected) {
            EXPECT_EQ(directory, c.expected);
        } else {
            EXPECT_EQ(directory.front(), '/');
            EXPECT_TRUE(directory.ends_with("/.config/tunebridge")) << directory;
        }
    }
}

} // namespace
} // namespace tb::test
