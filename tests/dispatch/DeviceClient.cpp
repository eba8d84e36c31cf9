#include "dispatch/DeviceClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tb::test {

DeviceClient::DeviceClient(int port, Options options) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ADD_FAILURE() << "socket failed";
        return;
    }
    if (options.receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &options.receiveBuffer,
                     sizeof options.receiveBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, options.source, &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
        ADD_FAILURE() << "cannot connect from " << options.source << " to port " << port;
        ::close(fd);
        return;
    }
    fd_ = fd;
}

DeviceClient::~DeviceClient() {
    Close();
}

int DeviceClient::LocalPort() const {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size);
    return ntohs(local.sin_port);
}

bool DeviceClient::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool DeviceClient::ReadSome(std::chrono::steady_clock::time_point deadline, bool& timedOut) {
    using namespace std::chrono;
    auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    pollfd p{fd_, POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
        timedOut = true;
        return false;
    }
    char chunk[16384];
    ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR)
        return true;
    if (n <= 0)
        return false; // the end, or a reset
    received_.append(chunk, static_cast<size_t>(n));
    return true;
}

std::string DeviceClient::ReadAtLeast(size_t count, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (received_.size() < count && ReadSome(deadline, timedOut)) {
    }
    return std::exchange(received_, std::string());
}

std::string DeviceClient::ReadToEnd(bool& closed, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (ReadSome(deadline, timedOut)) {
    }
    closed = !timedOut;
    return std::exchange(received_, std::string());
}

void DeviceClient::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::string Exchange(int port, const std::string& request, bool& closed,
                     DeviceClient::Options options) {
    DeviceClient client(port, options);
    closed = false;
    if (!client.IsConnected())
        return std::string();
    client.Send(request);
    return client.ReadToEnd(closed);
}

} // namespace tb::test
