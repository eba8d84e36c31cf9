// What a song answers a device's listing, and the names it goes by.
#include "core/ActivityLog.h"
#include "core/Exceptions.h"
#include "library/Mp3Info.h"
#include "library/ShareInfo.h"
#include "library/SongNode.h"
#include "library/StreamLocator.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"

namespace tb {

String SongNode::BaseName() const {
    return Name().Mid(0, Name().Length() >= 4 ? Name().Length() - 4 : 0);
}

String SongNode::DisplayPath() const {
    if (share_ && !share_->path.IsEmpty() && path_.StartsWith(share_->path.View()))
        return share_->name + ":" + path_.Mid(share_->path.Length());
    return path_;
}

String SongNode::GetETag(HttpRequest&, char) {
    return FileETag(path_.c_str());
}

String SongNode::ContentItem(HttpRequest& request) {
    const Mp3Info* info = nullptr;
    try {
        info = &GetInfo();
    } catch (const GeneralException&) {
        request.log->AddLine(
            "Error opening file '" + path_ +
            "'. \r\nIf file has moved please reindex, otherwise make sure it is not "
            "in use by another application.");
        return String();
    }
    String title = info->Title();
    if (title.IsEmpty())
        title = BaseName();
    StreamLocator locator;
    locator.unit = request.unitKey;
    locator.nodeId = WireId();
    String item = "<contentdata><name>" + title + "</name><nodeid>" +
                  String::FromUnsigned(static_cast<uint32_t>(WireId())) +
                  "</nodeid><playable/><url>" + request.baseUrl + locator.ToString() +
                  "</url><title>" + title + "</title>";
    item += "<album>" + info->Album() + "</album><trackno>" + info->Track() + "</trackno>";
    item += "<artist>" + info->Artist() + "</artist><genre>" + info->Genre() + "</genre>";
    item += "<year>" + info->Year() + "</year><bitrate>" + info->Bitrate() + "</bitrate>";
    item += "<playlength>" + info->Length() + "</playlength></contentdata>";
    return item;
}

} // namespace tb
