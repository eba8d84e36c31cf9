#include "library/RandomStreamNode.h"

#include "core/DateTime.h"
#include "library/NodeTree.h"
#include "server/HttpRequest.h"

namespace tb {

void RandomStreamNode::ContentItem(HttpRequest& request, TextBuilder& listing) {
    AnswersOf(request).ContentItem(*this, request, listing);
}

HttpAnswer RandomStreamNode::Browse(HttpRequest& request, int32_t numElem, int32_t fromIndex,
                                    const String& superScroll) {
    return AnswersOf(request).Browse(*this, request, numElem, fromIndex, superScroll);
}

void RandomStreamNode::WebAction(HttpRequest& request, char action) {
    AnswersOf(request).WebAction(*this, request, action);
}

String RandomStreamNode::GetETag(HttpRequest& request, char action) {
    if (action == 'P' || !request.tree)
        return DateTime::Now().TimeTag();
    return request.tree->IndexTime().TimeTag();
}

} // namespace tb
