#include "server/Dispatch.h"

#include "core/Socket.h"
#include "library/NodeIndex.h"
#include "server/DeviceHandlers.h"
#include "server/FixedPages.h"
#include "server/HttpRequest.h"

namespace tb {

void Dispatch::HandleDevicePost(ClientConnection& connection, const char* bytes, int32_t count) {
    tb::HandleDevicePost(context_, connection, bytes, count);
}

void Dispatch::HandleDeviceGet(HttpRequest& request) {
    tb::HandleDeviceGet(context_, request);
}

bool Dispatch::HandleWebGet(HttpRequest& request) {
    bool building = context_.index.ReindexInProgress();
    SendFixedPage(*request.socket, building ? ReindexingPage() : NotAvailablePage(request.path));
    return false;
}

} // namespace tb
