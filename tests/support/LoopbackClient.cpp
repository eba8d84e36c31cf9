#include "support/LoopbackClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tb::test {
namespace {

int ConnectTo(int port, const LoopbackClient::Options& options) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
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
        ::close(fd);
        return -1;
    }
    // Pieces sent with pauses between them must leave as separate segments.
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

// Length of a complete answer at the start of `text`, or 0.
size_t CompleteAnswerLength(const std::string& text) {
    size_t end = text.find("\r\n\r\n");
    if (end == std::string::npos)
        return 0;
    end += 4;
    size_t length = 0;
    for (size_t at = text.find("\r\n"); at < end; at = text.find("\r\n", at + 2))
        if (strncasecmp(text.c_str() + at, "\r\nContent-Length:", 17) == 0)
            length = std::strtoul(text.c_str() + at + 17, nullptr, 10);
    return text.size() >= end + length ? end + length : 0;
}

} // namespace

LoopbackClient::LoopbackClient(int port, Options options) : fd_(ConnectTo(port, options)) {
    EXPECT_GE(fd_, 0) << "cannot connect from " << options.source << " to 127.0.0.1:" << port;
}

LoopbackClient::~LoopbackClient() {
    Close();
}

bool LoopbackClient::Reachable(int port) {
    int fd = ConnectTo(port, Options{});
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

int LoopbackClient::LocalPort() const {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size);
    return ntohs(local.sin_port);
}

bool LoopbackClient::Send(std::string_view bytes) {
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

bool LoopbackClient::ReadSome(std::chrono::steady_clock::time_point deadline, bool& timedOut) {
    using namespace std::chrono;
    auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    pollfd p{fd_, POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
        timedOut = true;
        return false;
    }
    char chunk[65536];
    ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR)
        return true;
    if (n <= 0)
        return false; // the end, or a reset
    pending_.append(chunk, static_cast<size_t>(n));
    return true;
}

std::string LoopbackClient::ReadResponse(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    size_t length = CompleteAnswerLength(pending_);
    while (length == 0 && ReadSome(deadline, timedOut))
        length = CompleteAnswerLength(pending_);
    std::string answer = pending_.substr(0, length);
    pending_.erase(0, length);
    return answer;
}

std::string LoopbackClient::ReadAtLeast(size_t count, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (pending_.size() < count && ReadSome(deadline, timedOut)) {
    }
    return std::exchange(pending_, std::string());
}

std::string LoopbackClient::ReadToEnd(bool& closed, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (ReadSome(deadline, timedOut)) {
    }
    closed = !timedOut;
    return std::exchange(pending_, std::string());
}

std::string LoopbackClient::ReadFor(std::chrono::milliseconds timeout) {
    bool closed = false;
    return ReadToEnd(closed, timeout);
}

bool LoopbackClient::WaitClosed(std::chrono::milliseconds timeout, std::string* rest) {
    bool closed = false;
    std::string arrived = ReadToEnd(closed, timeout);
    if (rest)
        *rest = std::move(arrived);
    return closed;
}

void LoopbackClient::ShutdownWrite() {
    ::shutdown(fd_, SHUT_WR);
}

void LoopbackClient::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::string Exchange(int port, const std::string& request, bool& closed,
                     LoopbackClient::Options options) {
    LoopbackClient client(port, options);
    closed = false;
    if (!client.IsConnected())
        return std::string();
    client.Send(request);
    return client.ReadToEnd(closed);
}

std::string Exchange(int port, const std::string& request) {
    bool closed = false;
    return Exchange(port, request, closed);
}

Answer SplitAnswer(const std::string& response) {
    Answer a;
    size_t firstEnd = response.find("\r\n");
    size_t headerEnd = response.find("\r\n\r\n");
    if (firstEnd == std::string::npos || headerEnd == std::string::npos)
        return a;
    a.status = response.substr(0, firstEnd);
    a.headers = response.substr(firstEnd + 2, headerEnd + 4 - (firstEnd + 2));
    a.body = response.substr(headerEnd + 4);
    return a;
}

} // namespace tb::test
