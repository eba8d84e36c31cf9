#pragma once

#include "config/Settings.h"
#include "core/String.h"

#include <vector>

namespace tb {

// The settings the command line can read and change, named "Key/Value" as
// in the store ("General/Name", "MP3/PreloadMp3Info").
struct SettingKey {
    const char* name;
    const char* help;
    String (*get)(const Settings&);
    // Throws std::invalid_argument with a one-line reason for a bad value.
    void (*set)(Settings&, const String& value);
};

const std::vector<SettingKey>& SettingKeys();
// The key with this name, ignoring case, or null.
const SettingKey* FindSettingKey(const String& name);

// The rule of the setup page: category folders need preloaded information.
// True when it had to switch preloading on.
bool EnforcePreloadForCategories(Settings& settings);

} // namespace tb
