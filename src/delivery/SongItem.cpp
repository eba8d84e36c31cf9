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

void SongNode::AppendContentItem(HttpRequest& request, TextBuilder& listing) {
    const Mp3Info* info = nullptr;
    try {
        info = &GetInfo();
    } catch (const GeneralException&) {
        request.log->AddLine(
            "Error opening file '" + path_ +
            "'. \r\nIf file has moved please reindex, otherwise make sure it is not "
            "in use by another application.");
        return; // the song still counts in the listing, with an empty item
    }
    std::string_view title = info->TagText(Mp3Info::Tag::Title);
    String baseName;
    if (title.empty()) {
        baseName = BaseName();
        title = baseName.View();
    }
    listing.Append("<contentdata><name>").Append(title).Append("</name><nodeid>");
    listing.AppendNumber(WireId()).Append("</nodeid><playable/><url>").Append(request.baseUrl);
    StreamLocator::AppendTo(listing, request.unitKey, WireId());
    listing.Append("</url><title>").Append(title).Append("</title><album>");
    listing.Append(info->TagText(Mp3Info::Tag::Album)).Append("</album><trackno>");
    listing.Append(info->TagText(Mp3Info::Tag::Track)).Append("</trackno><artist>");
    listing.Append(info->TagText(Mp3Info::Tag::Artist)).Append("</artist><genre>");
    listing.Append(info->TagText(Mp3Info::Tag::Genre)).Append("</genre><year>");
    listing.Append(info->TagText(Mp3Info::Tag::Year)).Append("</year><bitrate>");
    info->AppendBitrate(listing);
    listing.Append("</bitrate><playlength>");
    info->AppendLength(listing);
    listing.Append("</playlength></contentdata>");
}

} // namespace tb
