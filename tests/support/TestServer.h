#pragma once

#include "config/Settings.h"
#include "core/Event.h"
#include "server/RequestHandlers.h"
#include "server/StreamServer.h"
#include "support/LineLog.h"
#include "support/LoopbackClient.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace tb::test {

// Default settings, listening on 127.0.0.1 with a port the system picks.
Settings LoopbackSettings();

// Handlers that answer with what they got and remember it, in order, as
// "web PATH", "device PATH" or "post BYTES": a browser GET gets its
// decoded path as the body and keeps the connection unless the path holds
// "close"; a device GET gets "DEVICE"; a POST gets "POSTED" and its byte
// count. Thread-safe.
class EchoHandlers : public RequestHandlers {
public:
    void HandleDevicePost(ClientConnection& connection, const char* bytes, int32_t count) override;
    void HandleDeviceGet(HttpRequest& request) override;
    bool HandleWebGet(HttpRequest& request) override;

    std::vector<std::string> Seen() const;
    // Every POST handed over ended in a NUL right after its last byte.
    std::atomic<bool> postsTerminated{true};

private:
    void Add(std::string what);

    mutable std::mutex mutex_;
    std::vector<std::string> seen_; // guarded by mutex_
};

// A StreamServer on its own thread with a log that keeps its lines, over
// the echo handlers until others are plugged in. Shutting down follows the
// program's order (quit event, every socket shut down, a bounded wait for
// the threads) and leaves the socket registry usable for the next test.
class TestServer {
public:
    explicit TestServer(const Settings& initial = LoopbackSettings());
    virtual ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    void Plug(RequestHandlers& handlers) { forward_.to = &handlers; }
    void Start();
    // The port of the `count`-th start line, 0 when it does not come.
    int WaitStarted(size_t count = 1);
    // Start and WaitStarted; the port, also kept in `port`.
    int StartAndWait();
    // True when every thread ended within 10 s.
    bool Shutdown();

    Event quit;
    LineLog log;
    LiveSettings settings;
    EchoHandlers echo;
    int port = 0;

protected:
    // For owners of plugged handlers: the threads end before the handlers go.
    void ShutdownOrAbort();

private:
    struct Forward : RequestHandlers {
        void HandleDevicePost(ClientConnection& c, const char* bytes, int32_t count) override {
            to->HandleDevicePost(c, bytes, count);
        }
        void HandleDeviceGet(HttpRequest& request) override { to->HandleDeviceGet(request); }
        bool HandleWebGet(HttpRequest& request) override { return to->HandleWebGet(request); }
        RequestHandlers* to = nullptr;
    } forward_;
    bool running_ = false;

public:
    StreamServer server{quit, log, settings, forward_};
};

} // namespace tb::test
