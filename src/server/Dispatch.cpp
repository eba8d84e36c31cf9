#include "server/Dispatch.h"

#include "core/Socket.h"
#include "library/NodeIndex.h"
#include "server/DeviceHandlers.h"
#include "server/FixedPages.h"
#include "server/HttpRequest.h"
#include "server/ProgramTime.h"
#include "server/ResponseHeaders.h"
#include "server/UnavailableHandlers.h"

namespace tb {

void Dispatch::HandleDevicePost(ClientConnection& connection, const char* bytes, int32_t count) {
    tb::HandleDevicePost(context_, connection, bytes, count);
}

void Dispatch::HandleDeviceGet(HttpRequest& request) {
    tb::HandleDeviceGet(context_, request);
}

bool Dispatch::HandleWebGet(HttpRequest& request) {
    if (context_.index.ReindexInProgress()) {
        String body = ReindexingPage();
        request.socket->Write(Html200(body.Length(), ProgramTime().TimeTag()) + body);
        return false;
    }
    SendNotAvailable(request);
    return false;
}

} // namespace tb
