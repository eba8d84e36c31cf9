// What a song answers a device's listing.
#include "core/ActivityLog.h"
#include "core/Exceptions.h"
#include "delivery/SongAnswers.h"
#include "library/Mp3Info.h"
#include "library/SongNode.h"
#include "library/StreamLocator.h"
#include "server/HttpRequest.h"

#include <memory>

namespace tb {
namespace {

std::unique_ptr<SongNode::ListingItem> MakeItem(const SongNode& song, const Mp3Info& info) {
    std::string_view title = info.TagText(Mp3Info::Tag::Title);
    String baseName;
    if (title.empty()) {
        baseName = song.BaseName();
        title = baseName.View();
    }
    TextBuilder text(320);
    text.Append("<contentdata><name>").Append(title).Append("</name><nodeid>");
    text.AppendNumber(song.WireId()).Append("</nodeid><playable/><url>");
    int32_t urlAt = text.Length();
    StreamLocator::AppendNodePart(text, song.WireId());
    text.Append("</url><title>").Append(title).Append("</title><album>");
    text.Append(info.TagText(Mp3Info::Tag::Album)).Append("</album><trackno>");
    text.Append(info.TagText(Mp3Info::Tag::Track)).Append("</trackno><artist>");
    text.Append(info.TagText(Mp3Info::Tag::Artist)).Append("</artist><genre>");
    text.Append(info.TagText(Mp3Info::Tag::Genre)).Append("</genre><year>");
    text.Append(info.TagText(Mp3Info::Tag::Year)).Append("</year><bitrate>");
    info.AppendBitrate(text);
    text.Append("</bitrate><playlength>");
    info.AppendLength(text);
    text.Append("</playlength></contentdata>");
    return std::make_unique<SongNode::ListingItem>(SongNode::ListingItem{text.Finish(), urlAt});
}

} // namespace

String SongFileProblem(const char* what, const SongNode& song) {
    return String("Error ") + what + " file '" + song.Path() +
           "'. \r\nIf file has moved please reindex, otherwise make sure it is not in use by "
           "another application.";
}

void AppendSongItem(SongNode& song, HttpRequest& request, TextBuilder& listing) {
    const SongNode::ListingItem* item = song.KeptItem();
    if (!item) {
        const Mp3Info* info = song.TryGetInfo();
        if (!info) {
            request.log->AddLine(SongFileProblem("opening", song));
            return; // the song still counts in the listing, with an empty item
        }
        item = song.KeepItem(MakeItem(song, *info));
    }
    std::string_view text = item->text.View();
    // The stream URL: the requested host, the device's key, the song's part.
    listing.Append(text.substr(0, static_cast<size_t>(item->urlAt)));
    listing.Append(request.baseUrl).Append(request.unitKey);
    listing.Append(text.substr(static_cast<size_t>(item->urlAt)));
}

} // namespace tb
