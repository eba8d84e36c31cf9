#include "server/UnavailableHandlers.h"

#include "core/Socket.h"
#include "server/FixedPages.h"
#include "server/HttpRequest.h"
#include "server/ProgramTime.h"
#include "server/ResponseHeaders.h"

namespace tb {

void SendNotAvailable(HttpRequest& request) {
    String body = NotAvailablePage(request.path);
    request.socket->Write(Html200(body.Length(), ProgramTime().TimeTag()) + body);
}

void UnavailableHandlers::HandleDevicePost(ClientConnection&, const char*, int32_t) {}

void UnavailableHandlers::HandleDeviceGet(HttpRequest&) {}

bool UnavailableHandlers::HandleWebGet(HttpRequest& request) {
    SendNotAvailable(request);
    return false;
}

} // namespace tb
