#pragma once

namespace tb {

class ActivityLog;
class IndexProgress;
class NodeIndex;
class ServiceList;
struct Settings;

// Builds the node index with the current index settings. A build that
// fails (out of memory, a failing service) is logged and the previous tree
// stays in service: a reindex must never take the server down.
void RebuildIndex(NodeIndex& index, ServiceList& services, const Settings& settings,
                  ActivityLog& log, IndexProgress* progress);

} // namespace tb
