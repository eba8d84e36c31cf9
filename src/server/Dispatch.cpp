#include "server/Dispatch.h"

#include "core/Socket.h"
#include "library/NodeIndex.h"
#include "server/DeviceHandlers.h"
#include "server/HttpRequest.h"
#include "server/WebDispatch.h"

namespace tb {

void Dispatch::HandleDevicePost(ClientConnection& connection, const char* bytes, int32_t count) {
    tb::HandleDevicePost(context_, connection, bytes, count);
}

void Dispatch::HandleDeviceGet(HttpRequest& request) {
    tb::HandleDeviceGet(context_, request);
}

bool Dispatch::HandleWebGet(HttpRequest& request) {
    return tb::HandleWebGet(context_, request);
}

} // namespace tb
