#include "delivery/FolderBrowse.h"

#include "core/ActivityLog.h"
#include "delivery/ContentDataSet.h"
#include "library/FolderNode.h"
#include "library/RandomStreamNode.h"
#include "library/SongNode.h"
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

void AppendBranch(const MediaNode& node, TextBuilder& listing, const char* nameEnd) {
    listing.Append("<contentdata><branch/><name>").Append(node.Name()).Append(nameEnd);
    listing.AppendNumber(node.WireId()).Append("</nodeid></contentdata>");
}

// The listing of a window of `node`'s `count` children: the reading line,
// the "Browsing" status, the items.
template <typename ItemAt>
HttpAnswer ListWindow(MediaNode& node, HttpRequest& request, const String& userName, int32_t count,
                      const ListingWindow& window, ItemAt itemAt) {
    request.log->AddLine(ReadingLine(userName, node.Name(), count, window));
    request.users->SetStatus(request.unitKey, "Browsing", 10);
    ContentDataSet listing(window.HasItems() ? window.numElem : 0);
    for (int32_t k = 0; window.HasItems() && k < window.numElem; ++k)
        listing.AddItem(itemAt(window.fromIndex + k), request);
    return listing.Finish(count, window.fromIndex, window.numElem, node.GetETag(request, ' '));
}

} // namespace

void AppendFolderItem(const FolderNode& folder, TextBuilder& listing) {
    // Players mark folders below the first level with the byte 0x8F.
    AppendBranch(folder, listing,
                 IsRoot(folder.Parent()) ? "</name><nodeid>" : "\x8F</name><nodeid>");
}

HttpAnswer BrowseFolder(FolderNode& folder, HttpRequest& request, int32_t numElem,
                        int32_t fromIndex, const String& superScroll) {
    const Array<MediaNode*>& children = folder.Children();
    int32_t count = children.Count();
    if (!superScroll.IsEmpty() && count > 0)
        fromIndex = SuperScroll(children, fromIndex, superScroll);
    ListingWindow window = ClampWindow(count, numElem, fromIndex);
    String userName = request.users->NameOf(request.user);
    if (window.fromIndex == 0 && folder.Id() == 0) {
        request.users->Reseed(request.user, static_cast<uint32_t>(std::time(nullptr)));
        request.log->AddLine("[" + userName + "]: Seeding");
    }
    return ListWindow(folder, request, userName, count, window,
                      [&](int32_t p) -> MediaNode& { return *children.At(p); });
}

void AppendRandomStreamItem(const RandomStreamNode& stream, TextBuilder& listing) {
    AppendBranch(stream, listing, "</name><nodeid>");
}

HttpAnswer BrowseRandomStream(RandomStreamNode& stream, HttpRequest& request, int32_t numElem,
                              int32_t fromIndex) {
    const Array<SongNode*>& songs = stream.Songs();
    int32_t count = songs.Count();
    std::vector<int32_t> order = request.users->ShuffledOrder(request.user, count);
    ListingWindow window = ClampWindow(count, numElem, fromIndex);
    return ListWindow(
        stream, request, request.users->NameOf(request.user), count, window,
        [&](int32_t p) -> MediaNode& { return *songs.At(order[static_cast<size_t>(p)]); });
}

} // namespace tb
