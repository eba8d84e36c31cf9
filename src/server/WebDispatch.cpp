#include "server/WebDispatch.h"

#include "core/Base64.h"
#include "core/BuiltInResources.h"
#include "core/FileDescriptor.h"
#include "core/Socket.h"
#include "library/NodeIndex.h"
#include "server/FixedPages.h"
#include "server/HttpRequest.h"
#include "server/ProgramTime.h"
#include "server/ResponseHeaders.h"
#include "server/ServerContext.h"
#include "server/WebUrl.h"
#include "web/UserList.h"
#include "web/WebSkins.h"

namespace tb {
namespace {

// Skin pictures are read whole; anything larger is not a page picture.
constexpr int64_t MaxSkinPictureBytes = 16 << 20;

UserList::Entry Admit(ServerContext& context, const HttpRequest& request) {
    Base64Result credentials = DecodeBase64(request.credentials.View());
    if (credentials.errorAt >= 0 || credentials.data.IsEmpty())
        return nullptr;
    UserList::Entry user = context.users.FindByCredentials(credentials.data);
    if (!user || !context.users.IsAuthorizedAt(user, request.peer.Address()))
        return nullptr;
    return user;
}

bool IsSkinPicture(char action) {
    return action == 'J' || action == 'G';
}

// Sends the skin picture; false when the skin has none of that name.
bool ServeSkinPicture(HttpRequest& request, const String& path, char action) {
    if (path.IsEmpty())
        return false;
    std::optional<std::string> bytes = ReadWholeFile(path.c_str(), MaxSkinPictureBytes);
    if (!bytes || bytes->empty())
        return false;
    auto size = static_cast<int32_t>(bytes->size());
    String tag = FileETag(path.c_str());
    request.socket->Write((action == 'J' ? Jpg200(size, tag) : Gif200(size, tag)) + String(*bytes));
    return true;
}

bool ServeBuiltInPicture(HttpRequest& request, int32_t number) {
    std::optional<std::string_view> picture = BuiltInPicture(number);
    if (!picture)
        return false;
    auto size = static_cast<int32_t>(picture->size());
    request.socket->Write(Gif200(size, ProgramTime().TimeTag()) + String(*picture));
    return true;
}

} // namespace

bool HandleWebGet(ServerContext& context, HttpRequest& request) {
    WebUrl url = ParseWebUrl(request.path.View());
    request.nodeNumber = url.node;
    request.user = Admit(context, request);
    if (!request.user) {
        String page = AccessDeniedPage();
        request.socket->Write(Unauthorized401(page.Length()) + page);
        return false;
    }
    request.users = &context.users;
    request.tree = context.index.Tree();
    MediaNode* node = request.tree->At(url.node);
    String skinPicture =
        IsSkinPicture(url.action) ? SkinPicturePath(*request.user, url.action, url.node) : String();

    String tag = "?";
    if (url.action == 'R')
        tag = ProgramTime().TimeTag();
    else if (!skinPicture.IsEmpty())
        tag = FileETag(skinPicture.c_str());
    else if (node)
        tag = node->GetETag(request, url.action);
    if (!request.ifNoneMatch.IsEmpty() && tag != "?" && request.ifNoneMatch == tag) {
        request.socket->Write(NotModified304(DateTime::NowUtc().HttpDateText(), tag));
        return true;
    }

    if (url.action == 'R' && ServeBuiltInPicture(request, url.node))
        return true;
    if (url.action != 'R') {
        if (ServeSkinPicture(request, skinPicture, url.action))
            return true;
        if (node) {
            node->WebAction(request, url.action);
            return !request.closeConnection;
        }
    }
    bool building = context.index.ReindexInProgress();
    SendFixedPage(*request.socket, building ? ReindexingPage() : NotAvailablePage(request.path));
    return false;
}

} // namespace tb
