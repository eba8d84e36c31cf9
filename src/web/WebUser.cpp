#include "web/WebUser.h"

#include "config/Registry.h"

namespace tb {

std::unique_ptr<PersistantObject> WebUser::LoadNew(Registry& key) const {
    auto user = std::make_unique<WebUser>();
    user->LoadCommon(key);
    key.GetString("ID", user->id, false);
    key.GetString("Password", user->password, false);
    return user;
}

void WebUser::Save(Registry& key) const {
    SaveCommon(key);
    key.SetString("ID", id);
    key.SetString("Password", password);
}

bool WebUser::MatchesCredentials(const String& credentials) const {
    return credentials == id + ":" + password;
}

} // namespace tb
