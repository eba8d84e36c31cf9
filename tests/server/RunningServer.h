#pragma once

#include "RecordingLog.h"
#include "TestHandlers.h"
#include "config/Settings.h"
#include "core/Event.h"
#include "server/StreamServer.h"

namespace tb::test {

// Default settings, listening on 127.0.0.1 with a port the system picks.
Settings LoopbackSettings();

// A StreamServer on its own thread with a recording log and the test
// handlers. Shutting down follows the program's order (quit event, then
// every socket shut down, then a bounded wait for all threads) and leaves
// the process-wide socket registry usable for the next test.
class RunningServer {
public:
    explicit RunningServer(const Settings& initial = LoopbackSettings());
    ~RunningServer();
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    void Start();
    // Waits for the `count`-th "Server started at 127.0.0.1:" line and
    // returns its port, 0 when it does not come.
    int WaitStarted(size_t count = 1);
    // Start and WaitStarted; the port.
    int StartAndWait();
    // True when every thread ended within 10 s.
    bool Shutdown();

    Event quit;
    RecordingLog log;
    LiveSettings settings;
    TestHandlers handlers;
    StreamServer server;

private:
    bool shutDown_ = false;
};

} // namespace tb::test
