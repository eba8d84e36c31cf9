#pragma once

#include "config/Settings.h"
#include "shell/OptionParser.h"

#include <string>
#include <vector>

namespace tb {

class RegistryStore;

// The subcommands of `tunebridge config`, on an open store. Errors are
// thrown: UsageError for the command line, std::exception otherwise.
class ConfigCommands {
public:
    explicit ConfigCommands(RegistryStore& store) : store_(store) {}

    void Run(const std::vector<std::string>& words);

private:
    Settings LoadedSettings();
    void List();
    void Get(const std::string& key);
    void Set(const std::string& key, const std::string& value);
    void ShareCommand(const std::vector<std::string>& words);
    void ShareList();
    void ShareAdd(const std::vector<std::string>& words);
    void ShareRemove(const std::string& name);
    void UserCommand(const std::vector<std::string>& words);
    void UserList();
    void UserAdd(const std::vector<std::string>& words);
    void UserRemove(const std::string& id);
    void StationCommand(const std::vector<std::string>& words);
    void StationList();
    void StationAdd(const std::vector<std::string>& words);
    void StationRemove(const std::string& name);
    void StationImport(const std::vector<std::string>& files);

    RegistryStore& store_;
};

} // namespace tb
