#pragma once

#include "server/RequestHandlers.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace tb::test {

// Request handlers that answer with small known texts and remember what
// they were given. A browser GET is answered with its decoded path as the
// body; it asks to keep the connection unless the path contains "close".
// A device POST is answered with "POSTED" plus its byte count. Thread-safe.
class TestHandlers : public RequestHandlers {
public:
    void HandleDevicePost(ClientConnection& connection, const char* bytes, int32_t count) override;
    void HandleDeviceGet(HttpRequest& request) override;
    bool HandleWebGet(HttpRequest& request) override;

    std::vector<std::string> Posts() const;
    std::vector<std::string> WebPaths() const;
    std::vector<std::string> DevicePaths() const;
    // Every POST handed over was terminated right after its last byte.
    bool PostsWereTerminated() const { return postsTerminated_; }
    bool WaitForPosts(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> posts_;       // guarded by mutex_
    std::vector<std::string> webPaths_;    // guarded by mutex_
    std::vector<std::string> devicePaths_; // guarded by mutex_
    std::atomic<bool> postsTerminated_{true};
};

} // namespace tb::test
