#pragma once

#include "config/PersistantObject.h"
#include "core/String.h"
#include "server/HttpRequest.h"

#include <memory>
#include <vector>

namespace tb {

class ActivityLog;
class FolderNode;
class MediaNode;
class IndexProgress;
struct ShareInfo;

// What an index build needs besides the services themselves.
struct IndexBuildContext {
    IndexProgress* progress = nullptr;
    ActivityLog* log = nullptr; // for warnings about what cannot be indexed
    bool preload = false;
    // Share records of the tree being built; the tree takes them over.
    std::vector<std::unique_ptr<ShareInfo>>* shares = nullptr;
};

// A configured source of nodes: a share (type 1) or a radio station
// (type 2), kept in the "Services" list of the store. Services are shared
// between the service list and the trees whose folders refer to them.
class ServiceItem : public PersistantObject, public std::enable_shared_from_this<ServiceItem> {
public:
    enum class Kind { Share = 1, RadioStation = 2, Catalog = 3 };

    virtual Kind GetType() const = 0;
    // The name shown for the service and given to its top node.
    virtual String Name() const = 0;
    // The kind shown to the user ("File share").
    virtual String DisplayType() const = 0;
    // Builds the service's node under `parent`; null when the build was cancelled.
    virtual std::unique_ptr<MediaNode> CreateNode(FolderNode* parent,
                                                  IndexBuildContext& context) = 0;
    // Answers every browser action on a folder that carries this service,
    // in place of the folder's own. One without answers of its own ends the
    // connection, so that the browser is not left waiting.
    virtual void WebAction(FolderNode& /*folder*/, HttpRequest& request, char /*action*/) {
        request.closeConnection = true;
    }
};

} // namespace tb
