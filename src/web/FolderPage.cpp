#include "web/FolderPage.h"

#include "core/ActivityLog.h"
#include "core/LeadingInteger.h"
#include "core/Socket.h"
#include "core/TextBuilder.h"
#include "core/Version.h"
#include "library/FolderNode.h"
#include "library/Mp3Info.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"
#include "web/PageRender.h"
#include "web/TemplateText.h"
#include "web/UserList.h"
#include "web/WebSkins.h"

namespace tb {
namespace {

using V = TemplateVariable;

String Link(const MediaNode* node) {
    return node ? String::Format("%d", node->Id()) : String("0");
}

String NameOf(const MediaNode* node) {
    return node ? node->Name() : String();
}

// The ancestor right below the root (the folder itself when it is there).
const MediaNode* ShareOf(const MediaNode* folder) {
    if (!folder->Parent())
        return nullptr;
    while (folder->Parent()->Parent())
        folder = folder->Parent();
    return folder;
}

int32_t SecondsOf(const SongNode& song) {
    const Mp3Info* info = song.TryGetInfo();
    return info ? LeadingInteger(info->Length().View()) : 0;
}

void SetPageValues(PageRender& page, const FolderNode& folder, const FolderMetadata& metadata,
                   const String& userName) {
    bool hasSongs = false;
    bool hasFolders = false;
    for (const MediaNode* child : folder.Children()) {
        hasSongs = hasSongs || child->IsSong();
        hasFolders = hasFolders || child->IsFolder();
        if (hasSongs && hasFolders)
            break;
    }
    const MediaNode* parent = folder.Parent();
    const MediaNode* grandParent = parent ? parent->Parent() : nullptr;
    page.SetText(V::FolderLink, Link(&folder));
    page.SetText(V::FolderName, PageText(folder.Name()));
    page.SetText(V::ParentLink, Link(parent));
    page.SetText(V::ParentName, PageText(NameOf(parent)));
    page.SetText(V::GrandParentLink, Link(grandParent));
    page.SetText(V::GrandParentName, PageText(NameOf(grandParent)));
    page.SetText(V::ShareLink, "1");
    page.SetText(V::ShareName, PageText(NameOf(ShareOf(&folder))));
    page.SetFlag(V::HasFolderImage, !metadata.frontImage.IsEmpty());
    page.SetFlag(V::HasSongs, hasSongs);
    page.SetFlag(V::HasFolders, hasFolders);
    page.SetText(V::UserName, PageText(userName));
    page.SetFlag(V::HasFolderBackImage, !metadata.backImage.IsEmpty());
    page.SetText(V::TunebridgeVersion, TUNEBRIDGE_VERSION_TEXT);
    page.SetText(V::FolderAlbum,
                 PageText(metadata.album.IsEmpty() ? folder.Name() : metadata.album));
    page.SetText(V::FolderArtist,
                 PageText(metadata.artist.IsEmpty() ? NameOf(parent) : metadata.artist));
    page.SetFlag(V::IsRecommended, metadata.recommended);
    page.SetText(V::FolderComment, metadata.comment); // the owner's own HTML
    int32_t count = 0;
    int64_t seconds = 0;
    for (const MediaNode* child : folder.Children())
        if (child->IsSong()) {
            ++count;
            seconds += SecondsOf(static_cast<const SongNode&>(*child));
        }
    page.SetNumber(V::FolderCount, count);
    page.SetText(V::FolderTime, FormatDuration(static_cast<int32_t>(std::min<int64_t>(
                                    seconds, std::numeric_limits<int32_t>::max()))));
}

// The trail from the root down to the folder.
String History(PageRender& page, const FolderNode& folder) {
    String history;
    for (const MediaNode* node = &folder; node; node = node->Parent())
        history = page.RenderHistoryItem(Link(node), node->Name()) + history;
    return history;
}

String RenderFolderPage(PageTemplate& page, FolderNode& folder, const FolderMetadata& metadata,
                        const String& userName) {
    PageRender render(page);
    SetPageValues(render, folder, metadata, userName);
    String history = History(render, folder);
    TextBuilder files(8192);
    TextBuilder folders(1024);
    int32_t playable = 0;
    for (MediaNode* child : folder.Children()) {
        if (child->IsPlayable()) {
            render.SetNumber(V::SongCount, ++playable);
            const Mp3Info* info =
                child->IsSong() ? static_cast<SongNode*>(child)->TryGetInfo() : nullptr;
            files.Append(render.RenderFileItem(child->Name(), Link(child), info));
        } else {
            folders.Append(render.RenderFolderItem(Link(child), child->Name()));
        }
    }
    return render.RenderPage(history, files.Finish(), folders.Finish());
}

} // namespace

// A page is made once and then served from the template's page cache for
// as long as nothing it shows has changed: a folder of a thousand songs
// costs milliseconds to render and microseconds to send.
void BuildFolderPage(FolderNode& folder, HttpRequest& request) {
    PageTemplate& page = TemplateOf(*request.user);
    String name = request.users->NameOf(request.user);
    PageCache::Key key{page.Program(), request.tree, folder.Id(), name, folder.RefreshMetadata()};
    std::shared_ptr<const PageCache::Page> kept = page.Pages().Find(key);
    String body;
    if (!kept) {
        body = RenderFolderPage(page, folder, key.metadata, name);
        page.Pages().Keep(key, body);
    }
    request.users->SetStatus(request.user->Key(), "Browsing", 20);
    request.log->AddLine("[" + name + "]: browsing '" + folder.Name() + "'");
    String etag = folder.GetETag(request, ' ');
    if (kept)
        request.socket->SendFile(Html200(static_cast<int32_t>(kept->length), etag),
                                 kept->file.Get(), 0, kept->length);
    else
        request.socket->Write(Html200(body.Length(), etag), body);
}

} // namespace tb
