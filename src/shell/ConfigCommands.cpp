#include "shell/ConfigCommands.h"

#include "config/Registry.h"
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Exceptions.h"
#include "shell/SettingKeys.h"

#include <cstdio>

namespace tb {
namespace {

void Expect(const std::vector<std::string>& words, size_t count) {
    if (words.size() != count)
        throw UsageError("wrong number of arguments for '" + words[0] + "'");
}

} // namespace

void ConfigCommands::Run(const std::vector<std::string>& words) {
    const std::string& command = words[0];
    if (command == "list") {
        Expect(words, 1);
        List();
    } else if (command == "get") {
        Expect(words, 2);
        Get(words[1]);
    } else if (command == "set") {
        Expect(words, 3);
        Set(words[1], words[2]);
    } else if (command == "share") {
        ShareCommand(words);
    } else if (command == "user") {
        UserCommand(words);
    } else if (command == "station") {
        StationCommand(words);
    } else {
        throw UsageError("unknown command '" + command + "'");
    }
}

Settings ConfigCommands::LoadedSettings() {
    Settings settings;
    try {
        LoadSettings(store_, settings);
    } catch (const IPAddressException&) {
        // A damaged address keeps its default here, so that it can be set right.
    }
    return settings;
}

void ConfigCommands::List() {
    Settings settings = LoadedSettings();
    for (const SettingKey& key : SettingKeys())
        std::printf("%s=%s\n", key.name.c_str(), key.get(settings).c_str());
}

void ConfigCommands::Get(const std::string& name) {
    const SettingKey* key = FindSettingKey(String(name));
    if (!key)
        throw std::invalid_argument("unknown setting '" + name +
                                    "' (see 'tunebridge config list')");
    std::printf("%s\n", key->get(LoadedSettings()).c_str());
}

void ConfigCommands::Set(const std::string& name, const std::string& value) {
    const SettingKey* key = FindSettingKey(String(name));
    if (!key)
        throw std::invalid_argument("unknown setting '" + name +
                                    "' (see 'tunebridge config list')");
    Settings settings = LoadedSettings();
    try {
        key->set(settings, String(value));
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(key->name + ": " + e.what());
    }
    bool forcedPreload = EnforcePreloadForCategories(settings);
    RegistryStore::Transaction transaction(store_);
    SaveSettings(store_, settings);
    if (key->limit)
        SaveLimit(store_, *key->limit, settings);
    if (key->saveOwn)
        key->saveOwn(store_, settings);
    transaction.Commit();
    if (forcedPreload)
        std::printf("MP3/PreloadMp3Info set to 1 too: category folders need it.\n");
}

void ConfigCommands::ShareCommand(const std::vector<std::string>& words) {
    if (words.size() < 2)
        throw UsageError("'share' needs list, add or remove");
    if (words[1] == "list") {
        Expect(words, 2);
        ShareList();
    } else if (words[1] == "add") {
        ShareAdd(words);
    } else if (words[1] == "remove") {
        Expect(words, 3);
        ShareRemove(words[2]);
    } else {
        throw UsageError("unknown share command '" + words[1] + "'");
    }
}

void ConfigCommands::StationCommand(const std::vector<std::string>& words) {
    if (words.size() < 2)
        throw UsageError("'station' needs list, add, remove or import");
    if (words[1] == "list") {
        Expect(words, 2);
        StationList();
    } else if (words[1] == "add") {
        StationAdd(words);
    } else if (words[1] == "remove") {
        Expect(words, 3);
        StationRemove(words[2]);
    } else if (words[1] == "import") {
        if (words.size() < 3)
            throw UsageError("station import needs at least one FILE.pls");
        StationImport(std::vector<std::string>(words.begin() + 2, words.end()));
    } else {
        throw UsageError("unknown station command '" + words[1] + "'");
    }
}

void ConfigCommands::UserCommand(const std::vector<std::string>& words) {
    if (words.size() < 2)
        throw UsageError("'user' needs list, add or remove");
    if (words[1] == "list") {
        Expect(words, 2);
        UserList();
    } else if (words[1] == "add") {
        UserAdd(words);
    } else if (words[1] == "remove") {
        Expect(words, 3);
        UserRemove(words[2]);
    } else {
        throw UsageError("unknown user command '" + words[1] + "'");
    }
}

} // namespace tb
