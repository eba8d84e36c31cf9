#include "LoopbackClient.h"

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

int ConnectTo(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0) {
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

LoopbackClient::LoopbackClient(int port) : fd_(ConnectTo(port)) {
    EXPECT_GE(fd_, 0) << "cannot connect to 127.0.0.1:" << port;
}

LoopbackClient::~LoopbackClient() {
    Close();
}

bool LoopbackClient::Reachable(int port) {
    int fd = ConnectTo(port);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
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
    timedOut = false;
    auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    pollfd p{fd_, POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
        timedOut = true;
        return true;
    }
    char chunk[4096];
    ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0)
        return n < 0 && errno == EINTR; // end of stream or reset
    pending_.append(chunk, static_cast<size_t>(n));
    return true;
}

std::string LoopbackClient::ReadResponse(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    size_t length = CompleteAnswerLength(pending_);
    while (length == 0 && ReadSome(deadline, timedOut) && !timedOut)
        length = CompleteAnswerLength(pending_);
    std::string answer = pending_.substr(0, length);
    pending_.erase(0, length);
    return answer;
}

std::string LoopbackClient::ReadFor(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (ReadSome(deadline, timedOut) && !timedOut) {
    }
    return std::exchange(pending_, std::string());
}

bool LoopbackClient::WaitClosed(std::chrono::milliseconds timeout, std::string* rest) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (ReadSome(deadline, timedOut) && !timedOut) {
    }
    if (rest)
        *rest = pending_;
    pending_.clear();
    return !timedOut;
}

void LoopbackClient::ShutdownWrite() {
    ::shutdown(fd_, SHUT_WR);
}

void LoopbackClient::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
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
