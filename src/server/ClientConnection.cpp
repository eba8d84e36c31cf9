#include "server/ClientConnection.h"

#include "config/Settings.h"
#include "core/ActivityLog.h"
#include "core/Event.h"
#include "core/Exceptions.h"
#include "server/HandleGet.h"
#include "server/RequestHandlers.h"
#include "server/RequestLogText.h"
#include "server/RequestReader.h"

#include <strings.h>

namespace tb {

ClientConnection::ClientConnection(const Event& quit, std::unique_ptr<Socket> socket,
                                   ActivityLog& log, const LiveSettings& settings,
                                   RequestHandlers& handlers, ConnectionSlots::Token slot)
    : quit_(quit), socket_(std::move(socket)), log_(log), settings_(settings), handlers_(handlers),
      slot_(std::move(slot)) {}

Settings ClientConnection::CurrentSettings() const {
    return settings_.Get();
}

void ClientConnection::Run() {
    Settings settings = settings_.Get();
    bool logRequests = settings.logHttpRequests;
    try {
        // A client that stops taking bytes (a player that lost power) must
        // not hold its thread until TCP gives up.
        socket_->SetSendTimeout(settings.sendTimeoutSeconds * 1000);
        Serve(logRequests);
        if (logRequests)
            log_.AddLine("Closing socket");
    } catch (const SocketException& e) {
        if (logRequests)
            log_.AddLine(String::Format("Socket closed (%d)", e.Value()));
    } catch (...) {
        // Whatever a handler threw ends this connection, and only it.
    }
    socket_->Close();
}

void ClientConnection::Serve(bool& logRequests) {
    auto reader =
        std::make_unique<RequestReader>(*socket_, settings_.Get().idleTimeoutSeconds * 1000);
    for (;;) {
        // At shutdown every socket is cut; what arrived half is not served.
        if (reader->Next() != RequestReader::Result::Request || quit_.IsSet())
            return;
        const char* bytes = reader->Bytes();
        int32_t count = reader->Count();
        logRequests = settings_.Get().logHttpRequests;
        if (logRequests)
            log_.AddLine(RequestLogText(std::string_view(bytes, static_cast<size_t>(count))));
        if (strncasecmp(bytes, "POST ", 5) == 0) {
            handlers_.HandleDevicePost(*this, bytes, count);
            return;
        }
        if (strncasecmp(bytes, "GET ", 4) != 0 || !HandleGet(*this, bytes, count))
            return;
    }
}

} // namespace tb
