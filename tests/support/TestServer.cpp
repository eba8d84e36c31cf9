#include "support/TestServer.h"

#include "core/Socket.h"
#include "core/SocketRegistry.h"
#include "core/Thread.h"
#include "server/ClientConnection.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"

#include <cstdlib>
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

void EchoHandlers::Add(std::string what) {
    std::lock_guard lock(mutex_);
    seen_.push_back(std::move(what));
}

void EchoHandlers::HandleDevicePost(ClientConnection& connection, const char* bytes,
                                    int32_t count) {
    postsTerminated = postsTerminated && bytes[count] == 0;
    Add("post " + std::string(bytes, static_cast<size_t>(count)));
    connection.GetSocket().Write(String::Format("POSTED %d", count));
}

void EchoHandlers::HandleDeviceGet(HttpRequest& request) {
    Add("device " + std::string(request.path.View()));
    request.socket->Write("DEVICE");
}

bool EchoHandlers::HandleWebGet(HttpRequest& request) {
    Add("web " + std::string(request.path.View()));
    request.socket->Write(Html200(request.path.Length(), "t") + request.path);
    return request.path.Find("close") < 0;
}

std::vector<std::string> EchoHandlers::Seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

TestServer::TestServer(const Settings& initial) : settings(initial) {
    forward_.to = &echo;
}

TestServer::~TestServer() {
    ShutdownOrAbort();
}

void TestServer::ShutdownOrAbort() {
    if (!Shutdown()) {
        // Connection threads still use this object; going on would turn a
        // failed test into memory corruption.
        std::cerr << "threads still running after shutdown\n";
        std::abort();
    }
}

void TestServer::Start() {
    running_ = true;
    StartThread(server);
}

int TestServer::WaitStarted(size_t count) {
    std::string line = log.WaitForPrefix(StartPrefix, std::chrono::seconds(10), count);
    return line.empty() ? 0 : std::atoi(line.c_str() + std::char_traits<char>::length(StartPrefix));
}

int TestServer::StartAndWait() {
    Start();
    return port = WaitStarted();
}

bool TestServer::Shutdown() {
    if (!running_)
        return true;
    quit.Set();
    SocketRegistry::ShutdownAll();
    if (!WaitForThreads(10000))
        return false;
    SocketRegistry::Reopen();
    running_ = false;
    return true;
}

} // namespace tb::test
