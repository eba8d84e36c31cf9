#include "library/ChildSort.h"

#include "library/FolderNode.h"

#include <algorithm>
#include <strings.h>

namespace tb {

const char* SkipTrackPrefix(const char* name) {
    const char* p = name;
    if (*p < '0' || *p > '9')
        return name;
    while (*p >= '0' && *p <= '9')
        ++p;
    while (*p == ' ')
        ++p;
    if (*p != '-')
        return name;
    ++p;
    while (*p == ' ')
        ++p;
    return p;
}

void SortChildren(FolderNode& folder) {
    auto& children = folder.Children();
    std::sort(children.begin(), children.end(), [](const MediaNode* a, const MediaNode* b) {
        return strcasecmp(SkipTrackPrefix(a->Name().c_str()), SkipTrackPrefix(b->Name().c_str())) <
               0;
    });
    for (MediaNode* child : children)
        if (child->IsFolder())
            SortChildren(static_cast<FolderNode&>(*child));
}

} // namespace tb
