#include "delivery/ContentDataSet.h"

#include "library/MediaNode.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"

#include <algorithm>

namespace tb {

void ContentDataSet::AddItem(MediaNode& node, HttpRequest& request) {
    node.ContentItem(request, body_);
}

HttpAnswer ContentDataSet::Finish(int32_t total, int32_t fromIndex, int32_t count,
                                  const String& etag) {
    body_.Append("<totnumelem>").AppendNumber(total).Append("</totnumelem><fromindex>");
    body_.AppendNumber(fromIndex).Append("</fromindex><numelem>").AppendNumber(count);
    body_.Append("</numelem><alphanumeric/></contentdataset>");
    String body = body_.Finish();
    return HttpAnswer{Xml200(body.Length(), etag), body};
}

ListingWindow ClampWindow(int32_t count, int32_t numElem, int32_t fromIndex) {
    numElem = std::min(numElem, MaxPageItems);
    // Computed wide: a device may send any 32-bit numbers.
    if (int64_t{numElem} + fromIndex > count)
        numElem = static_cast<int32_t>(int64_t{count} - fromIndex);
    // A negative start gets an orderly empty window.
    if (fromIndex < 0)
        numElem = 0;
    return {fromIndex, numElem};
}

String ReadingLine(const String& userName, const String& listName, int32_t count,
                   const ListingWindow& window) {
    String line = "[" + userName + "]: Reading '" + listName + "'";
    if (window.numElem == count)
        return line;
    return line + String::Format(" (%lld..%lld)", static_cast<long long>(window.fromIndex) + 1,
                                 static_cast<long long>(window.fromIndex) + window.numElem);
}

} // namespace tb
