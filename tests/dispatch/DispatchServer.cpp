#include "dispatch/DispatchServer.h"

#include "core/SocketRegistry.h"
#include "core/Thread.h"
#include "library/ShareService.h"
#include "web/WebUser.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <iostream>

namespace tb::test {
namespace {

constexpr const char* StartedPrefix = "Server started at 127.0.0.1:";

Settings LoopbackSettings() {
    Settings values;
    values.localAddress = IPAddress::FromHostPort("127.0.0.1:0");
    return values;
}

} // namespace

uint32_t NetAddress(const char* dotted) {
    in_addr address{};
    inet_pton(AF_INET, dotted, &address);
    return address.s_addr;
}

DispatchServer::DispatchServer()
    : settings(LoopbackSettings()), dispatch(ServerContext{settings, index, users}),
      server(quit, log, settings, dispatch) {
    users.SetChangeHandler([this] { ++changes_; });
}

DispatchServer::~DispatchServer() {
    if (!Stop()) {
        // Connection threads still use this object; going on would turn a
        // failed test into memory corruption.
        std::cerr << "server threads still running after shutdown\n";
        std::abort();
    }
}

std::string DispatchServer::AddShare(const std::string& name) {
    std::string folder = music.MakeDir(name);
    ServiceList::Guard lock(services);
    services.Items().push_back(
        std::make_shared<ShareService>(name.c_str(), "", folder.c_str(), false));
    services.Sort();
    return folder;
}

void DispatchServer::Build(const IndexOptions& options) {
    BuildIndex(index, services, options, log, nullptr);
}

UserList::Entry DispatchServer::AddUser(const std::string& name, const std::string& id,
                                        uint32_t permission, uint32_t address) {
    auto user = std::make_shared<WebUser>();
    user->name = name.c_str();
    user->id = String(std::string_view(id));
    user->password = "secret";
    user->permission = permission;
    user->address = address;
    users.Add(user);
    return user;
}

int DispatchServer::Start() {
    StartThread(server);
    started_ = true;
    std::string line = log.WaitForPrefix(StartedPrefix);
    port =
        line.empty() ? 0 : std::atoi(line.c_str() + std::char_traits<char>::length(StartedPrefix));
    return port;
}

bool DispatchServer::Stop() {
    if (!started_)
        return true;
    quit.Set();
    SocketRegistry::ShutdownAll();
    if (!WaitForThreads(10000))
        return false;
    SocketRegistry::Reopen();
    started_ = false;
    return true;
}

} // namespace tb::test
