#include "web/WebSkins.h"

#include "core/Path.h"
#include "web/UserList.h"
#include "web/WebUser.h"

namespace tb {

void CompileTemplates(UserList& users, const String& dataDir, const String& skinName) {
    std::shared_ptr<const TemplateProgram> program = TemplateProgram::ForSkin(dataDir, skinName);
    for (const UserList::Entry& entry : users.Entries())
        if (auto* user = dynamic_cast<WebUser*>(entry.get()))
            user->page->Use(program);
}

PageTemplate& TemplateOf(UserItem& user) {
    if (auto* webUser = dynamic_cast<WebUser*>(&user))
        return *webUser->page;
    static PageTemplate builtIn;
    return builtIn;
}

String SkinPicturePath(UserItem& user, char action, int32_t number) {
    String skinDir = TemplateOf(user).SkinDir();
    if (skinDir.IsEmpty())
        return {};
    return JoinPath(
        skinDir, String::Format("%c%d.%s", action, number, action == 'J' ? "jpg" : "gif").View());
}

} // namespace tb
