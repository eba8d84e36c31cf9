#include "radio/RadioService.h"

#include "config/Registry.h"
#include "core/ActivityLog.h"
#include "delivery/FileCopy.h"
#include "library/FolderNode.h"
#include "library/IndexProgress.h"
#include "library/NodeTree.h"
#include "radio/RadioStationNode.h"
#include "radio/StationPlaylist.h"
#include "web/UserList.h"

namespace tb {

std::unique_ptr<PersistantObject> RadioService::LoadNew(Registry& key) const {
    auto station = std::make_unique<RadioService>();
    Fields& f = station->fields_;
    key.GetString("Name", f.name, false);
    key.GetString("Description", f.description, false);
    for (int i = 0; i < UrlSlots; ++i)
        key.GetString(String::Format("URL%d", i), f.urls[static_cast<size_t>(i)], false);
    key.GetString("Genre", f.genre, false);
    key.GetString("Provider", f.provider, false);
    key.GetFlag("QuickAccess", f.quickAccess);
    key.GetFlag("RouteDirectly", f.routeDirectly);
    return station;
}

void RadioService::Save(Registry& key) const {
    const Fields& f = fields_;
    key.SetString("Name", f.name);
    key.SetString("Description", f.description);
    for (int i = 0; i < UrlSlots; ++i)
        key.SetString(String::Format("URL%d", i), f.urls[static_cast<size_t>(i)]);
    key.SetString("Genre", f.genre);
    key.SetString("Provider", f.provider);
    key.SetFlag("QuickAccess", f.quickAccess);
    key.SetFlag("RouteDirectly", f.routeDirectly);
}

std::unique_ptr<MediaNode> RadioService::CreateNode(FolderNode* parent,
                                                    IndexBuildContext& context) {
    const Fields& f = fields_;
    if (context.progress && (!context.progress->KeepGoing(IndexProgress::Item::Station) ||
                             !context.progress->SetStatus("Radio:" + f.name)))
        return nullptr;
    auto station = [&](const String& url) {
        return RadioStationNode::Station{url, f.name, f.genre, f.provider, f.routeDirectly};
    };
    if (f.quickAccess)
        return std::make_unique<RadioStationNode>(f.name, parent, station(f.urls[0]));
    // The folder shares this service with the service list.
    auto folder = std::make_unique<FolderNode>(f.name, parent, shared_from_this(), String(),
                                               FolderNode::Ownership::Owning);
    for (int i = 0; i < UrlSlots; ++i)
        if (const String& url = f.urls[static_cast<size_t>(i)]; !url.IsEmpty())
            folder->AddChild(new RadioStationNode(f.name + String::Format(" (%d)", i), folder.get(),
                                                  station(url)));
    return folder;
}

void RadioService::WebAction(FolderNode&, HttpRequest& request, char) {
    std::vector<std::pair<String, String>> entries;
    for (const String& url : fields_.urls)
        if (!url.IsEmpty())
            entries.emplace_back(url, fields_.name);
    request.users->SetStatus(StatusKey(request), "Tuning in", 10);
    request.log->AddLine("[" + request.users->NameOf(request.user) + "]: tuning in to '" +
                         fields_.provider + ": " + fields_.name + "'");
    SendStationPlaylist(request, entries, request.tree->IndexTime().HttpDateText());
}

} // namespace tb
