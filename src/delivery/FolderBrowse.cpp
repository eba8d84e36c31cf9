// What a folder answers a device: its listing and its own item.
#include "core/ActivityLog.h"
#include "core/DateTime.h"
#include "delivery/ContentDataSet.h"
#include "library/FolderNode.h"
#include "library/NodeTree.h"
#include "server/HttpRequest.h"
#include "web/UserList.h"

#include <ctime>

namespace tb {
namespace {

// Position of the first child at or after `from` whose name starts at or
// after the letter, or `from` when there is none.
int32_t SuperScroll(const Array<MediaNode*>& children, int32_t from, const String& letter) {
    for (int32_t p = from; p >= 0 && p < children.Count(); ++p)
        if (children.At(p)->StartsAtOrAfter(letter))
            return p;
    return from;
}

bool IsRoot(const MediaNode* node) {
    return node && !node->Parent();
}

} // namespace

void FolderNode::AppendContentItem(HttpRequest&, TextBuilder& listing) {
    // Players mark folders below the first level with the byte 0x8F.
    listing.Append("<contentdata><branch/><name>").Append(Name());
    listing.Append(IsRoot(Parent()) ? "</name><nodeid>" : "\x8F</name><nodeid>");
    listing.AppendNumber(WireId()).Append("</nodeid></contentdata>");
}

HttpAnswer FolderNode::Browse(HttpRequest& request, int32_t numElem, int32_t fromIndex,
                              const String& superScroll) {
    int32_t count = children_.Count();
    if (!superScroll.IsEmpty() && count > 0)
        fromIndex = SuperScroll(children_, fromIndex, superScroll);
    ListingWindow window = ClampWindow(count, numElem, fromIndex);
    String userName = request.users->NameOf(request.user);
    if (window.fromIndex == 0 && Id() == 0) {
        request.users->Reseed(request.user, static_cast<uint32_t>(std::time(nullptr)));
        request.log->AddLine("[" + userName + "]: Seeding");
    }
    request.log->AddLine(ReadingLine(userName, Name(), count, window));
    request.users->SetStatus(request.unitKey, "Browsing", 10);
    ContentDataSet listing(window.HasItems() ? window.numElem : 0);
    for (int32_t k = 0; window.HasItems() && k < window.numElem; ++k)
        listing.AddItem(*children_.At(window.fromIndex + k), request);
    return listing.Finish(count, window.fromIndex, window.numElem, GetETag(request, ' '));
}

String FolderNode::GetETag(HttpRequest& request, char action) {
    if (action == 'P' || action == 'B')
        return ImageETag(action);
    if (action == 'M' || action == 'N')
        return DateTime::Now().TimeTag();
    return request.tree ? request.tree->IndexTime().TimeTag() : DateTime::Now().TimeTag();
}

void FolderNode::WebAction(HttpRequest& request, char action) {
    if (action == 'P' || action == 'B')
        ServeImage(request, action);
}

} // namespace tb
