#include "server/StreamServer.h"

#include "config/Settings.h"
#include "core/ActivityLog.h"
#include "core/Event.h"
#include "core/Exceptions.h"
#include "server/ClientConnection.h"

#include <set>
#include <system_error>

namespace tb {

StreamServer::StreamServer(const Event& quit, ActivityLog& log, const LiveSettings& settings,
                           RequestHandlers& handlers)
    : quit_(quit), log_(log), settings_(settings), handlers_(handlers),
      slots_(settings.Get().maxConnections) {}

StreamServer::~StreamServer() = default;

void StreamServer::Run() {
    while (Listen() && AcceptConnections()) {
    }
}

void StreamServer::Stop() {
    std::lock_guard lock(listenerMutex_);
    if (listener_)
        listener_->Interrupt();
}

bool StreamServer::Listen() {
    Settings settings = settings_.Get();
    slots_.SetLimit(settings.maxConnections);
    bool reported = false;
    std::set<int> reasonsShown;
    std::unique_ptr<ServerSocket> listener;
    while (!listener) {
        try {
            listener = std::make_unique<ServerSocket>(settings.localAddress);
        } catch (const SocketException& e) {
            log_.Attention().Set();
            if (!reported)
                log_.Notify("Tune Bridge problem",
                            "Unable to listen for users on selected port.\r\nPlease close any "
                            "other server software if running on the same port.");
            reported = true;
            // The notice cannot tell a busy port from a foreign address.
            if (reasonsShown.insert(e.Value()).second)
                log_.AddLine("Cannot listen at " + settings.localAddress.HostPortText() + ": " +
                             std::system_category().message(e.Value()).c_str());
            if (onListenFailure_)
                onListenFailure_(e.Value());
            if (quit_.Wait(RetryMilliseconds))
                return false;
        }
    }
    if (reported)
        log_.Notify("Tune Bridge", "Now listening for users.");
    IPAddress bound(settings.localAddress.Address(), listener->LocalAddress().Port());
    {
        // Stored before it is announced, so that a Stop made once the start
        // line is seen always reaches this listener.
        std::lock_guard lock(listenerMutex_);
        listener_ = std::move(listener);
    }
    log_.AddLine("Server started at " + bound.DisplayText(IPAddress::AnyText));
    return true;
}

bool StreamServer::AcceptConnections() {
    for (;;) {
        if (!slots_.Acquire(quit_)) {
            DropListener();
            return false;
        }
        ConnectionSlots::Token slot(&slots_);
        std::unique_ptr<Socket> socket;
        try {
            socket = listener_->Accept(0);
        } catch (const SocketException&) {
            DropListener();
            if (quit_.IsSet())
                return false;
            log_.AddLine("Restarting server.");
            return true;
        }
        if (quit_.IsSet()) {
            DropListener();
            return false;
        }
        try {
            StartThread(std::make_unique<ClientConnection>(quit_, std::move(socket), log_,
                                                           settings_, handlers_, std::move(slot)));
        } catch (const std::exception&) {
            // No thread to serve it: the connection is dropped, the server goes on.
        }
    }
}

void StreamServer::DropListener() {
    std::lock_guard lock(listenerMutex_);
    listener_.reset();
}

} // namespace tb
