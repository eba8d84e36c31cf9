#include "RunningServer.h"

#include "core/SocketRegistry.h"
#include "core/Thread.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>

namespace tb::test {
namespace {

constexpr const char* StartPrefix = "Server started at 127.0.0.1:";

} // namespace

Settings LoopbackSettings() {
    Settings s;
    s.localAddress = IPAddress::FromHostPort("127.0.0.1:0");
    return s;
}

RunningServer::RunningServer(const Settings& initial)
    : settings(initial), server(quit, log, settings, handlers) {}

RunningServer::~RunningServer() {
    if (!Shutdown()) {
        // Connection threads still use this object; going on would turn a
        // failed test into memory corruption.
        std::cerr << "threads still running after shutdown\n";
        std::abort();
    }
}

void RunningServer::Start() {
    StartThread(server);
}

int RunningServer::WaitStarted(size_t count) {
    std::string line =
        log.WaitForLine([](const std::string& l) { return l.rfind(StartPrefix, 0) == 0; },
                        std::chrono::seconds(10), count);
    return line.empty() ? 0 : std::atoi(line.c_str() + std::char_traits<char>::length(StartPrefix));
}

int RunningServer::StartAndWait() {
    Start();
    return WaitStarted();
}

bool RunningServer::Shutdown() {
    if (shutDown_)
        return true;
    quit.Set();
    SocketRegistry::ShutdownAll();
    bool ended = WaitForThreads(10000);
    if (ended) {
        SocketRegistry::Reopen();
        shutDown_ = true;
    }
    return ended;
}

} // namespace tb::test
