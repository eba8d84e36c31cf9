#include "shell/FirstRun.h"

#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/ActivityLog.h"
#include "core/Path.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "shell/StoredLists.h"
#include "web/RandomPassword.h"
#include "web/UserList.h"
#include "web/WebUser.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tb {
namespace {

String HomeFolder() {
    const char* home = getenv("HOME");
    return home && *home ? String(home) : String("/");
}

// What `xdg-user-dir MUSIC` says, or empty.
String DesktopMusicFolder() {
    FILE* pipe = popen("xdg-user-dir MUSIC 2>/dev/null", "r");
    if (!pipe)
        return String();
    char line[4096] = {};
    bool got = fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    String folder = got ? String(line).Trim() : String();
    // Without a configured folder the tool answers the home folder itself.
    return folder == HomeFolder() ? String() : folder;
}

} // namespace

String MusicFolder() {
    String folder = DesktopMusicFolder();
    return folder.IsEmpty() ? JoinPath(HomeFolder(), "Music") : folder;
}

bool RunFirstTimeSetup(RegistryStore& store, const FirstRunChoices& choices, ActivityLog& log) {
    String folder =
        AbsolutePath(choices.shareFolder.IsEmpty() ? MusicFolder() : choices.shareFolder);
    auto user = std::make_shared<WebUser>();
    user->id = choices.userId.IsEmpty() ? String("admin") : choices.userId;
    user->name = user->id;
    user->password = choices.password.IsEmpty() ? RandomPassword() : choices.password;
    // All or nothing, and what the config command stored meanwhile stays:
    // a first run cut short is simply run again.
    RegistryStore::Transaction transaction(store);
    if (IsInstalled(store))
        return false;
    MarkInstalled(store, choices.serverName);
    ServiceList services;
    LoadServices(store, services);
    {
        ServiceList::Guard lock(services);
        services.Items().push_back(std::make_shared<ShareService>("My music", "", folder, false));
        services.Sort();
    }
    SaveServices(store, services);
    UserList users;
    LoadUsers(store, users);
    users.Add(user);
    SaveUsers(store, users);
    transaction.Commit();

    log.AddLine("First start: sharing '" + folder + "' as \"My music\".");
    if (choices.password.IsEmpty())
        log.AddLine("First start: web user '" + user->id + "' has the password '" + user->password +
                    "' (shown only this once).");
    else
        log.AddLine("First start: web user '" + user->id + "' created.");
    return true;
}

} // namespace tb
