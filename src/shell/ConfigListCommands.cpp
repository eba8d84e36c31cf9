// The share, station and user subcommands of the config command.
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Exceptions.h"
#include "core/Path.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "radio/RadioService.h"
#include "radio/StationImport.h"
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

const RadioService* AsStation(const std::shared_ptr<ServiceItem>& service) {
    return dynamic_cast<const RadioService*>(service.get());
}

using ServiceItems = std::vector<std::shared_ptr<ServiceItem>>;

ServiceItems::iterator FindService(ServiceItems& items, ServiceItem::Kind kind,
                                   const std::string& name) {
    return std::find_if(items.begin(), items.end(), [&](const auto& service) {
        return service->GetType() == kind && service->Name() == name.c_str();
    });
}

// Loads the services, changes them, sorts and saves them (see ChangeStored).
template <typename Change> void ChangeServices(RegistryStore& store, Change change) {
    ChangeStored(store, [&] {
        ServiceList services;
        LoadServices(store, services);
        {
            ServiceList::Guard lock(services);
            change(services.Items());
            services.Sort();
        }
        SaveServices(store, services);
    });
}

void RemoveService(RegistryStore& store, ServiceItem::Kind kind, const std::string& name,
                   const char* what) {
    ChangeServices(store, [&](ServiceItems& items) {
        auto found = FindService(items, kind, name);
        if (found == items.end())
            throw std::invalid_argument(std::string("no ") + what + " named '" + name + "'");
        items.erase(found);
    });
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
    ChangeServices(store_, [&](auto& items) { items.push_back(share); });
}

void ConfigCommands::ShareRemove(const std::string& name) {
    RemoveService(store_, ServiceItem::Kind::Share, name, "share");
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

void ConfigCommands::StationList() {
    ServiceList services;
    LoadServices(store_, services);
    ServiceList::Guard lock(services);
    for (const auto& service : services.Items()) {
        const RadioService* station = AsStation(service);
        if (!station)
            continue;
        const RadioService::Fields& f = station->Values();
        std::string urls;
        for (const String& url : f.urls)
            if (!url.IsEmpty())
                urls += (urls.empty() ? "" : " ") + std::string(url.View());
        std::printf("%s\t%s\t%s%s\t%s\t%s\t%s\n", f.name.c_str(), urls.c_str(),
                    f.quickAccess ? "quick" : "folder", f.routeDirectly ? ", direct" : "",
                    f.genre.c_str(), f.provider.c_str(), f.description.c_str());
    }
}

void ConfigCommands::StationAdd(const std::vector<std::string>& words) {
    ParsedOptions options = ParseOptions(
        Rest(words), {{"--genre", "--provider", "--description"}, {"--quick", "--direct"}});
    const std::vector<std::string>& given = options.positional;
    if (given.size() < 2)
        throw UsageError("station add needs NAME and at least one URL");
    if (given.size() > 1 + RadioService::UrlSlots)
        throw std::invalid_argument("a station has at most 8 URLs");
    if (given[0].empty())
        throw std::invalid_argument("the station name must not be empty");
    RadioService::Fields fields;
    fields.name = String(given[0]);
    for (size_t i = 1; i < given.size(); ++i)
        fields.urls[i - 1] = String(given[i]);
    auto text = [&](const char* option) {
        const std::string* value = options.Find(option);
        return value ? String(*value) : String();
    };
    fields.genre = text("--genre");
    fields.provider = text("--provider");
    fields.description = text("--description");
    fields.quickAccess = options.Has("--quick");
    fields.routeDirectly = options.Has("--direct");
    ChangeServices(store_, [&](auto& items) {
        if (FindService(items, ServiceItem::Kind::RadioStation, given[0]) != items.end())
            throw std::invalid_argument("a station named '" + given[0] + "' exists already");
        items.push_back(std::make_shared<RadioService>(fields));
    });
}

void ConfigCommands::StationRemove(const std::string& name) {
    RemoveService(store_, ServiceItem::Kind::RadioStation, name, "station");
}

// As a drop on the main window: one station per file, nothing merged with
// the stations there are.
void ConfigCommands::StationImport(const std::vector<std::string>& files) {
    std::vector<RadioService::Fields> stations;
    for (const std::string& file : files) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error))
            throw std::invalid_argument("no such file: " + file);
        stations.push_back(ImportPlsFile(AbsolutePath(String(file))));
    }
    ChangeServices(store_, [&](auto& items) {
        for (const RadioService::Fields& fields : stations)
            items.push_back(std::make_shared<RadioService>(fields));
    });
    for (const RadioService::Fields& f : stations)
        std::printf("Imported '%s' with %d URL%s.\n", f.name.c_str(),
                    static_cast<int>(std::count_if(f.urls.begin(), f.urls.end(),
                                                   [](const String& u) { return !u.IsEmpty(); })),
                    f.quickAccess ? "" : "s");
}

} // namespace tb
