#pragma once

#include "ServerProcess.h"

#include <atomic>
#include <thread>

namespace tb::test {

// Keeps reading the server's standard output on a thread of its own while
// the test thread talks to the server, so that a server logging every
// request never blocks on a full pipe. Nobody else may use the server
// object until Stop returns.
class DeviceLogDrain {
public:
    explicit DeviceLogDrain(ServerProcess& server);
    ~DeviceLogDrain() { Stop(); }
    DeviceLogDrain(const DeviceLogDrain&) = delete;
    DeviceLogDrain& operator=(const DeviceLogDrain&) = delete;

    void Stop();

private:
    ServerProcess& server_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace tb::test
