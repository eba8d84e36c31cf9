#include "shell/FirstRun.h"

#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/ActivityLog.h"
#include "core/Path.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "shell/StoredLists.h"
#include "shell/UserFolders.h"
#include "web/RandomPassword.h"
#include "web/UserList.h"
#include "web/WebUser.h"

namespace tb {

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
