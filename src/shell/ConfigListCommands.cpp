// The share and user subcommands of the config command.
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Exceptions.h"
#include "core/Path.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "shell/ConfigCommands.h"
#include "shell/FirstRun.h"
#include "shell/StoredLists.h"
#include "web/RandomPassword.h"
#include "web/UserList.h"
#include "web/WebUser.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace tb {
namespace {

// The words after "share add" or "user add".
std::vector<std::string> Rest(const std::vector<std::string>& words) {
    return std::vector<std::string>(words.begin() + 2, words.end());
}

String ServerName(RegistryStore& store) {
    Settings settings;
    try {
        LoadSettings(store, settings);
    } catch (const IPAddressException&) {
    }
    return settings.name;
}

// Runs a load-change-save of a list in one write transaction, so that what
// a running server writes meanwhile is neither overwritten nor overwrites
// the change; as an accepted setup would, it marks the store installed.
template <typename Change> void ChangeStored(RegistryStore& store, Change change) {
    RegistryStore::Transaction transaction(store);
    change();
    MarkInstalled(store, ServerName(store));
    transaction.Commit();
}

String PasswordFromInput() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty())
        throw std::invalid_argument("no password on standard input");
    return String(line);
}

ShareService* AsShare(const std::shared_ptr<ServiceItem>& service) {
    return dynamic_cast<ShareService*>(service.get());
}

} // namespace

void ConfigCommands::ShareList() {
    ServiceList services;
    LoadServices(store_, services);
    ServiceList::Guard lock(services);
    for (const auto& service : services.Items())
        if (const ShareService* share = AsShare(service))
            std::printf("%s\t%s\tcovers: %s\t%s\n", share->Name().c_str(), share->Folder().c_str(),
                        share->StartCrawler() ? "yes" : "no", share->Description().c_str());
}

void ConfigCommands::ShareAdd(const std::vector<std::string>& words) {
    ParsedOptions options = ParseOptions(Rest(words), {{"--description"}, {"--covers"}});
    if (options.positional.size() != 2)
        throw UsageError("share add needs NAME and PATH");
    const std::string& name = options.positional[0];
    if (name.empty())
        throw std::invalid_argument("the share name must not be empty");
    String path = AbsolutePath(String(options.positional[1]));
    std::error_code error;
    if (!std::filesystem::is_directory(path.c_str(), error))
        throw std::invalid_argument("no such folder: " + options.positional[1]);
    const std::string* description = options.Find("--description");

    auto share = std::make_shared<ShareService>(
        String(name), description ? String(*description) : String(), path, options.Has("--covers"));
    ChangeStored(store_, [&] {
        ServiceList services;
        LoadServices(store_, services);
        {
            ServiceList::Guard lock(services);
            services.Items().push_back(share);
            services.Sort();
        }
        SaveServices(store_, services);
    });
}

void ConfigCommands::ShareRemove(const std::string& name) {
    ChangeStored(store_, [&] {
        ServiceList services;
        LoadServices(store_, services);
        {
            ServiceList::Guard lock(services);
            auto& items = services.Items();
            auto found = std::find_if(items.begin(), items.end(), [&](const auto& service) {
                return AsShare(service) && service->Name() == name.c_str();
            });
            if (found == items.end())
                throw std::invalid_argument("no share named '" + name + "'");
            items.erase(found);
        }
        SaveServices(store_, services);
    });
}

void ConfigCommands::UserList() {
    tb::UserList users;
    LoadUsers(store_, users);
    for (const auto& entry : users.Entries()) {
        IPAddress address(entry->address, 0);
        std::printf("%s\t%s\t%s\t%s\t%s\n", entry->Key().c_str(), entry->name.c_str(),
                    entry->permission & UserItem::Allowed ? "allowed" : "disallowed",
                    entry->address ? address.HostText().c_str() : "any address",
                    entry->email.c_str());
    }
}

void ConfigCommands::UserAdd(const std::vector<std::string>& words) {
    ParsedOptions options =
        ParseOptions(Rest(words), {{"--name", "--password", "--address"}, {"--disallow"}});
    if (options.positional.size() != 1 || options.positional[0].empty())
        throw UsageError("user add needs an ID");
    auto user = std::make_shared<WebUser>();
    user->id = String(options.positional[0]);
    const std::string* name = options.Find("--name");
    user->name = name && !name->empty() ? String(*name) : user->id;
    if (const std::string* address = options.Find("--address")) {
        try {
            user->address = IPAddress::FromHost(address->c_str()).Address();
        } catch (const IPAddressException&) {
            throw std::invalid_argument("not an IPv4 address: " + *address);
        }
    }
    user->permission = options.Has("--disallow") ? 0 : UserItem::Allowed;
    const std::string* password = options.Find("--password");
    // "-" reads it from standard input, so that it is not in the process list.
    user->password = !password          ? RandomPassword()
                     : *password == "-" ? PasswordFromInput()
                                        : String(*password);

    ChangeStored(store_, [&] {
        tb::UserList users;
        LoadUsers(store_, users);
        if (users.FindById(user->id))
            throw std::invalid_argument("a user with ID '" + options.positional[0] +
                                        "' exists already");
        users.Add(user);
        SaveUsers(store_, users);
    });
    if (!password)
        std::printf("Password of '%s': %s\n", user->id.c_str(), user->password.c_str());
}

void ConfigCommands::UserRemove(const std::string& id) {
    ChangeStored(store_, [&] {
        tb::UserList users;
        LoadUsers(store_, users);
        auto entries = users.Entries();
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const auto& entry) { return entry->MatchesId(String(id)); });
        if (found == entries.end())
            throw std::invalid_argument("no user with ID '" + id + "'");
        entries.erase(found);
        users.Reload(std::move(entries));
        SaveUsers(store_, users);
    });
}

} // namespace tb
