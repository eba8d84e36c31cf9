#include "library/MediaNode.h"

#include "library/NodeTree.h"
#include "server/HttpRequest.h"

#include <cctype>
#include <stdexcept>

namespace tb {

const NodeAnswers& MediaNode::AnswersOf(const HttpRequest& request) {
    if (!request.tree)
        throw std::logic_error("a node answered a request that does not hold its tree");
    return request.tree->Answers();
}

bool MediaNode::StartsAtOrAfter(const String& letter) const {
    auto upper = [](char c) {
        return static_cast<signed char>(std::toupper(static_cast<unsigned char>(c)));
    };
    return upper(name_.c_str()[0]) >= upper(letter.c_str()[0]);
}

} // namespace tb
