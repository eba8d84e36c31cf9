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

void SongNode::AppendContentItem(HttpRequest& request, String& listing) {
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
    auto append = [&listing](std::string_view text) {
        listing.Append(text.data(), static_cast<int32_t>(text.size()));
    };
    std::string_view title = info->TagText(Mp3Info::Tag::Title);
    String baseName;
    if (title.empty()) {
        baseName = BaseName();
        title = baseName.View();
    }
    StreamLocator locator;
    locator.unit = request.unitKey;
    locator.nodeId = WireId();
    append("<contentdata><name>");
    append(title);
    append("</name><nodeid>");
    listing += String::FromUnsigned(static_cast<uint32_t>(WireId()));
    append("</nodeid><playable/><url>");
    listing += request.baseUrl;
    locator.AppendTo(listing);
    append("</url><title>");
    append(title);
    append("</title><album>");
    append(info->TagText(Mp3Info::Tag::Album));
    append("</album><trackno>");
    append(info->TagText(Mp3Info::Tag::Track));
    append("</trackno><artist>");
    append(info->TagText(Mp3Info::Tag::Artist));
    append("</artist><genre>");
    append(info->TagText(Mp3Info::Tag::Genre));
    append("</genre><year>");
    append(info->TagText(Mp3Info::Tag::Year));
    append("</year><bitrate>");
    listing += info->Bitrate();
    append("</bitrate><playlength>");
    listing += info->Length();
    append("</playlength></contentdata>");
}

} // namespace tb
