#pragma once

#include "config/Settings.h"
#include "core/String.h"

#include <memory>

namespace tb {

class Registry;
class RegistryStore;

// Reading and writing the plain settings. Each call runs on the thread that
// uses the store.

// Subkeys below RootKeyPath.
inline constexpr const char* GeneralKey = "General";
inline constexpr const char* Mp3Key = "MP3";
inline constexpr const char* CoversKey = "Covers";
inline constexpr const char* ServicesKey = "Services";
inline constexpr const char* UsersKey = "Users";

// Opens (creating when missing, full access) one subkey of RootKeyPath.
// Throws RegistryException.
std::unique_ptr<Registry> OpenConfigKey(RegistryStore& store, const char* subKey);

// Reads "General" and then "MP3" into `settings`. A missing value, or one of
// the wrong type, leaves the setting as it was; an empty skin name becomes
// "(Standard)". Also takes the SettingLimits from "General" when present
// and in range. A stored address that does not parse
// keeps its setting too, but once everything else has been read
// IPAddressException is thrown so that start-up can say so. Store failures
// throw RegistryException.
void LoadSettings(RegistryStore& store, Settings& settings);

// Writes the settings of "General" (with "Installed" = 1) and of "MP3" in one
// transaction. Throws RegistryException; then nothing was written.
void SaveSettings(RegistryStore& store, const Settings& settings);

// Reads only the values of "MP3" (what an index build uses).
void LoadMp3Settings(RegistryStore& store, Settings& settings);
// Reads only "WebSkinName" of "General", with the rule for an empty one.
void LoadWebSkinName(RegistryStore& store, Settings& settings);

// Writes one of the SettingLimits into "General".
void SaveLimit(RegistryStore& store, const SettingLimit& limit, const Settings& settings);

// Writes "ShowedCloseNote" of "General" only.
// The public address-echo sites, "AddressEchoSite1" to "AddressEchoSite5"
// in "General" (read by LoadSettings; an absent one keeps its default).
String EchoSiteValueName(int index);
void SaveEchoSites(RegistryStore& store, const Settings& settings);
// The cover sites' base URLs, "Site1" to "Site5" in "Covers".
String CoverSiteValueName(int index);
void SaveCoverSites(RegistryStore& store, const Settings& settings);
void SaveCloseNoteFlag(RegistryStore& store, bool showed);

// Whether "Installed" of "General" is present and not 0 (the first run is done).
bool IsInstalled(RegistryStore& store);
// The first run's record: "Installed" = 1 and "Name", together.
void MarkInstalled(RegistryStore& store, const String& serverName);

} // namespace tb
