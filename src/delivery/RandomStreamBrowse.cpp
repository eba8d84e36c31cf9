// What a random stream answers a device: its songs in the device's own
// shuffled order, and its own item.
#include "core/ActivityLog.h"
#include "core/DateTime.h"
#include "delivery/ContentDataSet.h"
#include "library/NodeTree.h"
#include "library/RandomStreamNode.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"
#include "web/UserList.h"

namespace tb {

void RandomStreamNode::AppendContentItem(HttpRequest&, TextBuilder& listing) {
    listing.Append("<contentdata><branch/><name>").Append(Name()).Append("</name><nodeid>");
    listing.AppendNumber(WireId()).Append("</nodeid></contentdata>");
}

HttpAnswer RandomStreamNode::Browse(HttpRequest& request, int32_t numElem, int32_t fromIndex,
                                    const String&) {
    int32_t count = songs_.Count();
    std::vector<int32_t> order = request.users->ShuffledOrder(request.user, count);
    ListingWindow window = ClampWindow(count, numElem, fromIndex);
    request.log->AddLine(ReadingLine(request.users->NameOf(request.user), Name(), count, window));
    request.users->SetStatus(request.unitKey, "Browsing", 10);
    ContentDataSet listing(window.HasItems() ? window.numElem : 0);
    for (int32_t k = 0; window.HasItems() && k < window.numElem; ++k)
        listing.AddItem(*songs_.At(order[static_cast<size_t>(window.fromIndex + k)]), request);
    return listing.Finish(count, window.fromIndex, window.numElem, GetETag(request, ' '));
}

String RandomStreamNode::GetETag(HttpRequest& request, char action) {
    if (action == 'P' || !request.tree)
        return DateTime::Now().TimeTag();
    return request.tree->IndexTime().TimeTag();
}

} // namespace tb
