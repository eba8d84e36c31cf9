#include "library/ServiceList.h"

#include <algorithm>
#include <strings.h>

namespace tb {

void ServiceList::Sort() {
    std::sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
        if (a->GetType() != b->GetType())
            return a->GetType() < b->GetType();
        return strcasecmp(a->Name().c_str(), b->Name().c_str()) < 0;
    });
}

} // namespace tb
