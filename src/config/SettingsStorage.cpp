#include "config/SettingsStorage.h"

#include "config/Registry.h"
#include "config/RegistryException.h"
#include "config/RegistryStore.h"
#include "core/Exceptions.h"

namespace tb {
namespace {

// A value of the wrong type or size is treated as missing; other failures
// (the store itself) are not hidden.
template <typename Read> void Tolerant(Read read) {
    try {
        read();
    } catch (const RegistryException& e) {
        if (e.Code() != RegistryException::WrongType && e.Code() != RegistryException::BadSize)
            throw;
    }
}

void ReadFlag(const Registry& key, const char* name, bool& out) {
    Tolerant([&] { key.GetFlag(name, out); });
}

void ReadText(const Registry& key, const char* name, String& out) {
    Tolerant([&] { key.GetString(name, out, false); });
}

// Lists of texts kept one value each: "Prefix1", "Prefix2" and so on.
constexpr const char* EchoSitePrefix = "AddressEchoSite";
constexpr const char* CoverSitePrefix = "Site";

String NumberedName(const char* prefix, size_t index) {
    return prefix + String::FromUnsigned(static_cast<uint32_t>(index + 1));
}

template <size_t N>
void ReadTexts(const Registry& key, const char* prefix, std::array<String, N>& texts) {
    for (size_t i = 0; i < N; ++i)
        ReadText(key, NumberedName(prefix, i).c_str(), texts[i]);
}

template <size_t N>
void WriteTexts(Registry& key, const char* prefix, const std::array<String, N>& texts) {
    for (size_t i = 0; i < N; ++i)
        key.SetString(NumberedName(prefix, i), texts[i]);
}

// False when a stored text is there but is no address.
bool ReadAddress(const Registry& key, const char* name, IPAddress& out) {
    String text;
    ReadText(key, name, text);
    if (text.IsEmpty())
        return true;
    if (text.Find('\0') >= 0)
        return false;
    try {
        out = IPAddress::FromHostPort(text.c_str());
        return true;
    } catch (const IPAddressException&) {
        return false;
    }
}

void ReadLimit(const Registry& key, const SettingLimit& limit, Settings& settings) {
    uint32_t number = 0;
    bool found = false;
    Tolerant([&] { found = key.GetNumber(limit.name, number); });
    if (found && number >= static_cast<uint32_t>(limit.low) &&
        number <= static_cast<uint32_t>(limit.high))
        settings.*limit.field = static_cast<int32_t>(number);
}

void ReadSkinName(const Registry& general, Settings& settings) {
    ReadText(general, "WebSkinName", settings.webSkinName);
    if (settings.webSkinName.IsEmpty())
        settings.webSkinName = "(Standard)";
}

bool ReadGeneral(const Registry& general, Settings& settings) {
    ReadText(general, "Name", settings.name);
    bool addressesRead = ReadAddress(general, "IPAddress", settings.localAddress);
    addressesRead &= ReadAddress(general, "PublicIPAddress", settings.publicAddress);
    ReadFlag(general, "AutoAuthorizeUnits", settings.autoAuthorizeUnits);
    ReadFlag(general, "AutoDetectUnits", settings.autoDetectUnits);
    ReadFlag(general, "LogHttpRequests", settings.logHttpRequests);
    ReadSkinName(general, settings);
    ReadFlag(general, "ShowedCloseNote", settings.showedCloseNote);
    for (const SettingLimit& limit : SettingLimits)
        ReadLimit(general, limit, settings);
    ReadTexts(general, EchoSitePrefix, settings.addressEchoSites);
    return addressesRead;
}

void ReadMp3(const Registry& mp3, Settings& settings) {
    ReadFlag(mp3, "PreloadMp3Info", settings.preloadMp3Info);
    ReadFlag(mp3, "CreateGenreFolder", settings.createGenreFolder);
    ReadFlag(mp3, "CreateArtistFolder", settings.createArtistFolder);
    ReadFlag(mp3, "CreateAlbumFolder", settings.createAlbumFolder);
    ReadFlag(mp3, "CreateYearFolder", settings.createYearFolder);
}

void WriteGeneral(Registry& general, const Settings& settings) {
    general.SetString("Name", settings.name);
    general.SetString("IPAddress", settings.localAddress.HostPortText());
    general.SetString("PublicIPAddress", settings.publicAddress.HostPortText());
    general.SetFlag("AutoAuthorizeUnits", settings.autoAuthorizeUnits);
    general.SetFlag("AutoDetectUnits", settings.autoDetectUnits);
    general.SetNumber("Installed", 1);
    general.SetFlag("LogHttpRequests", settings.logHttpRequests);
    general.SetString("WebSkinName", settings.webSkinName);
}

void WriteMp3(Registry& mp3, const Settings& settings) {
    mp3.SetFlag("PreloadMp3Info", settings.preloadMp3Info);
    mp3.SetFlag("CreateGenreFolder", settings.createGenreFolder);
    mp3.SetFlag("CreateArtistFolder", settings.createArtistFolder);
    mp3.SetFlag("CreateAlbumFolder", settings.createAlbumFolder);
    mp3.SetFlag("CreateYearFolder", settings.createYearFolder);
}

} // namespace

std::unique_ptr<Registry> OpenConfigKey(RegistryStore& store, const char* subKey) {
    auto key = std::make_unique<Registry>(RootKeyPath);
    key->Open(store, subKey, FullAccess, true);
    return key;
}

void LoadSettings(RegistryStore& store, Settings& settings) {
    bool addressesRead = ReadGeneral(*OpenConfigKey(store, GeneralKey), settings);
    ReadMp3(*OpenConfigKey(store, Mp3Key), settings);
    ReadTexts(*OpenConfigKey(store, CoversKey), CoverSitePrefix, settings.coverSites);
    if (!addressesRead)
        throw IPAddressException();
}

void SaveSettings(RegistryStore& store, const Settings& settings) {
    RegistryStore::Transaction transaction(store);
    WriteGeneral(*OpenConfigKey(store, GeneralKey), settings);
    WriteMp3(*OpenConfigKey(store, Mp3Key), settings);
    transaction.Commit();
}

void LoadMp3Settings(RegistryStore& store, Settings& settings) {
    ReadMp3(*OpenConfigKey(store, Mp3Key), settings);
}

void LoadWebSkinName(RegistryStore& store, Settings& settings) {
    ReadSkinName(*OpenConfigKey(store, GeneralKey), settings);
}

void SaveLimit(RegistryStore& store, const SettingLimit& limit, const Settings& settings) {
    OpenConfigKey(store, GeneralKey)
        ->SetNumber(limit.name, static_cast<uint32_t>(settings.*limit.field));
}

String EchoSiteValueName(int index) {
    return NumberedName(EchoSitePrefix, static_cast<size_t>(index));
}

void SaveEchoSites(RegistryStore& store, const Settings& settings) {
    WriteTexts(*OpenConfigKey(store, GeneralKey), EchoSitePrefix, settings.addressEchoSites);
}

String CoverSiteValueName(int index) {
    return NumberedName(CoverSitePrefix, static_cast<size_t>(index));
}

void SaveCoverSites(RegistryStore& store, const Settings& settings) {
    WriteTexts(*OpenConfigKey(store, CoversKey), CoverSitePrefix, settings.coverSites);
}

void SaveCloseNoteFlag(RegistryStore& store, bool showed) {
    OpenConfigKey(store, GeneralKey)->SetFlag("ShowedCloseNote", showed);
}

bool IsInstalled(RegistryStore& store) {
    uint32_t installed = 0;
    Tolerant([&] { OpenConfigKey(store, GeneralKey)->GetNumber("Installed", installed); });
    return installed != 0;
}

void MarkInstalled(RegistryStore& store, const String& serverName) {
    RegistryStore::Transaction transaction(store);
    std::unique_ptr<Registry> general = OpenConfigKey(store, GeneralKey);
    general->SetNumber("Installed", 1);
    general->SetString("Name", serverName);
    transaction.Commit();
}

} // namespace tb
