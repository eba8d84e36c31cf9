#include "TestHandlers.h"

#include "core/Socket.h"
#include "server/ClientConnection.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"

namespace tb::test {

void TestHandlers::HandleDevicePost(ClientConnection& connection, const char* bytes,
                                    int32_t count) {
    if (bytes[count] != 0)
        postsTerminated_ = false;
    {
        std::lock_guard lock(mutex_);
        posts_.emplace_back(bytes, static_cast<size_t>(count));
    }
    changed_.notify_all();
    connection.GetSocket().Write(String::Format("POSTED %d", count));
}

void TestHandlers::HandleDeviceGet(HttpRequest& request) {
    {
        std::lock_guard lock(mutex_);
        devicePaths_.emplace_back(request.path.View());
    }
    request.socket->Write("DEVICE");
}

bool TestHandlers::HandleWebGet(HttpRequest& request) {
    {
        std::lock_guard lock(mutex_);
        webPaths_.emplace_back(request.path.View());
    }
    request.socket->Write(Html200(request.path.Length(), "t") + request.path);
    return request.path.Find("close") < 0;
}

std::vector<std::string> TestHandlers::Posts() const {
    std::lock_guard lock(mutex_);
    return posts_;
}

std::vector<std::string> TestHandlers::WebPaths() const {
    std::lock_guard lock(mutex_);
    return webPaths_;
}

std::vector<std::string> TestHandlers::DevicePaths() const {
    std::lock_guard lock(mutex_);
    return devicePaths_;
}

bool TestHandlers::WaitForPosts(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return posts_.size() >= count; });
}

} // namespace tb::test
