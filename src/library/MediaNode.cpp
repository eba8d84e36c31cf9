#include "library/MediaNode.h"

#include <cctype>

namespace tb {

String MediaNode::ContentItem(HttpRequest& request) {
    TextBuilder item;
    AppendContentItem(request, item);
    return item.Finish();
}

bool MediaNode::StartsAtOrAfter(const String& letter) const {
    auto upper = [](char c) {
        return static_cast<signed char>(std::toupper(static_cast<unsigned char>(c)));
    };
    return upper(name_.c_str()[0]) >= upper(letter.c_str()[0]);
}

} // namespace tb
