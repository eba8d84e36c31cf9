#include "server/HandleGet.h"

#include "config/Settings.h"
#include "core/DateTime.h"
#include "server/ClientConnection.h"
#include "server/GetRequestParser.h"
#include "server/ProgramTime.h"
#include "server/RequestHandlers.h"
#include "server/ResponseHeaders.h"

namespace tb {
namespace {

void SendPing(ClientConnection& connection) {
    String body = "<html><head></head><body>" + connection.CurrentSettings().name + "; " +
                  ProgramIdentification() + "</body></html>";
    connection.GetSocket().Write(Html200(body.Length(), DateTime::Now().TimeTag()) + body);
}

} // namespace

bool HandleGet(ClientConnection& connection, const char* bytes, int32_t count) {
    ParsedGetRequest parsed = ParseGetRequest(std::string_view(bytes, static_cast<size_t>(count)));
    if (parsed.isPing) {
        SendPing(connection);
        return false;
    }
    HttpRequest& request = parsed.request;
    request.socket = &connection.GetSocket();
    request.log = &connection.Log();
    request.quitEvent = &connection.QuitEvent();
    request.peer = connection.GetSocket().PeerAddress();
    Settings settings = connection.CurrentSettings();
    request.serverName = settings.name;
    request.stationTimeoutSeconds = settings.stationTimeoutSeconds;
    if (parsed.fromDevice) {
        connection.Handlers().HandleDeviceGet(request);
        return false;
    }
    bool keep = connection.Handlers().HandleWebGet(request);
    return parsed.persistent && keep;
}

} // namespace tb
