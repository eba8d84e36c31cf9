#pragma once

#include "core/ServerSocket.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tb::test {

// An HTTP peer on 127.0.0.1 (a station, an echo or cover site): each
// connection gets `script(n)` (n counts the connections from 0), or
// `script(request)`, once its request header is in, and is then closed, or
// held open without another byte when `hold` is set. Keeps every request
// it read.
class ScriptedServer {
public:
    using Script = std::function<std::string(int)>;
    using RequestScript = std::function<std::string(const std::string& request)>;
    explicit ScriptedServer(Script script, bool hold = false);
    explicit ScriptedServer(RequestScript script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t Port() const { return listener_.LocalAddress().Port(); }
    std::string Url(const std::string& path = "/live") const {
        return "http://127.0.0.1:" + std::to_string(Port()) + path;
    }
    std::vector<std::string> Requests() const;

private:
    void Serve();

    ServerSocket listener_;
    RequestScript script_;
    std::atomic<bool> hold_{false};
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_; // guarded by mutex_
    std::thread thread_;
};

} // namespace tb::test
