// What a song answers a device's listing, and the names it goes by.
#include "core/ActivityLog.h"
#include "core/Exceptions.h"
#include "library/Mp3Info.h"
#include "library/ShareInfo.h"
#include "library/SongNode.h"
#include "library/StreamLocator.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"

#include <memory>

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

const SongNode::ListingItem* SongNode::Item(HttpRequest& request) const {
    if (const ListingItem* item = item_.load(std::memory_order_acquire))
        return item;
    const Mp3Info* info = nullptr;
    try {
        info = &GetInfo();
    } catch (const GeneralException&) {
        request.log->AddLine("Error opening file '" + path_ +
                             "'. \r\nIf file has moved please reindex, otherwise make sure it is not "
                             "in use by another application.");
        return nullptr;
    }
    std::string_view title = info->TagText(Mp3Info::Tag::Title);
    String baseName;
    if (title.empty()) {
        baseName = BaseName();
        title = baseName.View();
    }
    TextBuilder text(320);
    text.Append("<contentdata><name>").Append(title).Append("</name><nodeid>");
    text.AppendNumber(WireId()).Append("</nodeid><playable/><url>");
    int32_t urlAt = text.Length();
    StreamLocator::AppendNodePart(text, WireId());
    text.Append("</url><title>").Append(title).Append("</title><album>");
    text.Append(info->TagText(Mp3Info::Tag::Album)).Append("</album><trackno>");
    text.Append(info->TagText(Mp3Info::Tag::Track)).Append("</trackno><artist>");
    text.Append(info->TagText(Mp3Info::Tag::Artist)).Append("</artist><genre>");
    text.Append(info->TagText(Mp3Info::Tag::Genre)).Append("</genre><year>");
    text.Append(info->TagText(Mp3Info::Tag::Year)).Append("</year><bitrate>");
    info->AppendBitrate(text);
    text.Append("</bitrate><playlength>");
    info->AppendLength(text);
    text.Append("</playlength></contentdata>");
    auto made = std::make_unique<ListingItem>(ListingItem{text.Finish(), urlAt});
    // Two listings may make it at once; the first to publish wins.
    const ListingItem* expected = nullptr;
    if (item_.compare_exchange_strong(expected, made.get(), std::memory_order_acq_rel))
        return made.release();
    return expected;
}

void SongNode::AppendContentItem(HttpRequest& request, TextBuilder& listing) {
    const ListingItem* item = Item(request);
    if (!item)
        return; // the song still counts in the listing, with an empty item
    std::string_view text = item->text.View();
    // The stream URL: the requested host, the device's key, the song's part.
    listing.Append(text.substr(0, static_cast<size_t>(item->urlAt)));
    listing.Append(request.baseUrl).Append(request.unitKey);
    listing.Append(text.substr(static_cast<size_t>(item->urlAt)));
}

} // namespace tb
