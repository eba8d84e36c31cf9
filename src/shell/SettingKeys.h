#pragma once

#include "config/Settings.h"
#include "core/String.h"

#include <functional>
#include <string>
#include <vector>

namespace tb {

class RegistryStore;

// The settings the command line can read and change, named "Key/Value" as
// in the store ("General/Name", "MP3/PreloadMp3Info").
struct SettingKey {
    std::string name;
    const char* help;
    std::function<String(const Settings&)> get;
    // Throws std::invalid_argument with a one-line reason for a bad value.
    std::function<void(Settings&, const String& value)> set;
    // Set for the values kept beside the setup's, which are saved one by one.
    const SettingLimit* limit = nullptr;
    // Set for other values outside the setup's, which this saves.
    std::function<void(RegistryStore&, const Settings&)> saveOwn = nullptr;
};

const std::vector<SettingKey>& SettingKeys();
// The key with this name, ignoring case, or null.
const SettingKey* FindSettingKey(const String& name);

// The rule of the setup page: category folders need preloaded information.
// True when it had to switch preloading on.
bool EnforcePreloadForCategories(Settings& settings);

} // namespace tb
