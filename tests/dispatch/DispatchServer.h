#pragma once

#include "config/Settings.h"
#include "core/Event.h"
#include "delivery/DeliveryAnswers.h"
#include "library/IndexBuilder.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "server/Dispatch.h"
#include "server/StreamServer.h"
#include "support/LineLog.h"
#include "support/TempDir.h"
#include "web/UserList.h"

#include <atomic>
#include <string>

namespace tb::test {

// The real request handlers behind a real listener on 127.0.0.1 (a port
// the system picks), over a library built from a temporary music folder
// and a user list the test fills. Stopping follows the program's order:
// quit event, every socket shut down, a bounded wait for the threads.
class DispatchServer {
public:
    DispatchServer();
    ~DispatchServer();
    DispatchServer(const DispatchServer&) = delete;
    DispatchServer& operator=(const DispatchServer&) = delete;

    // A share named `name` on a new folder of that name below `music`.
    std::string AddShare(const std::string& name);
    void Build(const IndexOptions& options = IndexOptions());
    UserList::Entry AddUser(const std::string& name, const std::string& id, uint32_t permission = 1,
                            uint32_t address = 0);
    // Starts the listener; its port (0 when it did not start).
    int Start();
    // True when every thread ended in time.
    bool Stop();

    std::shared_ptr<const NodeTree> Tree() const { return index.Tree(); }
    int ChangeCalls() const { return changes_.load(); }

    TempDir music;
    ServiceList services;
    DeliveryAnswers answers;
    NodeIndex index{answers};
    UserList users;
    LiveSettings settings;
    LineLog log;
    Event quit;
    Dispatch dispatch;
    StreamServer server;
    int port = 0;

private:
    std::atomic<int> changes_{0};
    bool started_ = false;
};

// The network-order address of a dotted text.
uint32_t NetAddress(const char* dotted);

} // namespace tb::test
