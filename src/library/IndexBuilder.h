#pragma once

#include "core/String.h"

namespace tb {

class ActivityLog;
class IndexProgress;
class NodeIndex;
class ServiceList;

// The settings an index build reads.
struct IndexOptions {
    String serverName = "Tune Bridge";
    bool preloadMp3Info = false;
    bool genreFolder = false;
    bool albumFolder = false;
    bool artistFolder = false;
    bool yearFolder = false;
};

// Rebuilds the node tree from the services: share folders, the "Radio"
// folder, the category folders and the global random stream, numbered and
// swapped in. Holds the node index lock for the whole build and the service
// list lock while it reads the services. A cancelled or failed build keeps
// the previous tree. `progress` may be null.
void BuildIndex(NodeIndex& index, ServiceList& services, const IndexOptions& options,
                ActivityLog& log, IndexProgress* progress);

} // namespace tb
