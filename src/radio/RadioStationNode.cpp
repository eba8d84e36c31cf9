#include "radio/RadioStationNode.h"

#include "core/ActivityLog.h"
#include "core/DateTime.h"
#include "delivery/FileCopy.h"
#include "library/StreamLocator.h"
#include "radio/StationPlaylist.h"
#include "radio/StationRelay.h"
#include "server/HttpRequest.h"
#include "web/UserList.h"

#include <algorithm>
#include <atomic>

namespace tb {

// The texts go in as they are: devices expect them unescaped.
void RadioStationNode::ContentItem(HttpRequest& request, TextBuilder& listing) {
    listing.Append("<contentdata><playable/><name>").Append(Name()).Append("</name><nodeid>");
    listing.AppendNumber(WireId()).Append("</nodeid><url>");
    if (station_.routeDirectly) {
        listing.Append(station_.url);
    } else {
        listing.Append(request.baseUrl).Append(request.unitKey);
        StreamLocator::AppendNodePart(listing, WireId());
    }
    listing.Append("</url><title>").Append(station_.stationName).Append("</title><artist>");
    listing.Append(station_.genre).Append("</artist><genre>").Append(station_.provider);
    listing.Append("</genre></contentdata>");
}

void RadioStationNode::WebAction(HttpRequest& request, char action) {
    SendStationPlaylist(request, {{station_.url, station_.stationName}}, GetETag(request, action));
}

void RadioStationNode::Play(HttpRequest& request) {
    request.closeConnection = true;
    request.users->SetStatus(StatusKey(request), "Tuning in", 10);
    request.log->AddLine("[" + request.users->NameOf(request.user) + "]: tuning in to '" + Name() +
                         ": " + station_.stationName + "'");
    RelayStation(request, station_.url, GetETag(request, ' '));
}

// The time tag of now, made to grow with every call: two requests within
// one tick of the clock must not share a tag either.
String RadioStationNode::GetETag(HttpRequest&, char) {
    static std::atomic<uint64_t> last{0};
    uint64_t now = DateTime::Now().FileTime();
    uint64_t previous = last.load();
    uint64_t tag = 0;
    do {
        tag = std::max(now, previous + 1);
    } while (!last.compare_exchange_weak(previous, tag));
    return DateTime(tag).TimeTag();
}

} // namespace tb
