#include "DeviceLogDrain.h"

namespace tb::test {

DeviceLogDrain::DeviceLogDrain(ServerProcess& server) : server_(server) {
    thread_ = std::thread([this] {
        while (!stop_)
            server_.WaitForLine("\n", std::chrono::milliseconds(50)); // no line holds one
    });
}

void DeviceLogDrain::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

} // namespace tb::test
