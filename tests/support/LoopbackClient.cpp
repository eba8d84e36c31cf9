#include "support/LoopbackClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <unistd.h>

namespace tb::test {
namespace {

int ConnectTo(int port, const LoopbackClient::Options& options) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (options.receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &options.receiveBuffer,
                     sizeof options.receiveBuffer);
    sockaddr_in local{}, server{};
    local.sin_family = server.sin_family = AF_INET;
    inet_pton(AF_INET, options.source, &local.sin_addr);
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
    Answer a = Answer::Parse(text.substr(0, text.find("\r\n\r\n") + 4));
    size_t head = a.raw.size();
    size_t length = a.contentLength > 0 ? static_cast<size_t>(a.contentLength) : 0;
    return a.hasHeader && text.size() >= head + length ? head + length : 0;
}

} // namespace

LoopbackClient::LoopbackClient(int port, Options options) : fd_(ConnectTo(port, options)) {
    EXPECT_GE(fd_, 0) << "cannot connect from " << options.source << " to 127.0.0.1:" << port;
}

bool LoopbackClient::Reachable(int port) {
    int fd = ConnectTo(port, Options{});
    ::close(fd);
    return fd >= 0;
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
        if (n <= 0 && errno != EINTR)
            return false;
        bytes.remove_prefix(static_cast<size_t>(std::max<ssize_t>(n, 0)));
    }
    return true;
}

bool LoopbackClient::ReadUntil(milliseconds timeout, const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    char chunk[65536];
    while (!done()) {
        auto left =
            std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0)
            pending_.append(chunk, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            return true; // the end, or a reset
    }
    return true;
}

std::string LoopbackClient::ReadResponse(milliseconds timeout) {
    size_t length = 0;
    ReadUntil(timeout, [&] { return (length = CompleteAnswerLength(pending_)) > 0; });
    std::string answer = pending_.substr(0, length);
    pending_.erase(0, length);
    return answer;
}

std::string LoopbackClient::ReadAtLeast(size_t count, milliseconds timeout) {
    ReadUntil(timeout, [&] { return pending_.size() >= count; });
    return std::exchange(pending_, std::string());
}

bool LoopbackClient::WaitClosed(milliseconds timeout, std::string* rest) {
    bool closed = ReadUntil(timeout, [] { return false; });
    if (rest)
        *rest = std::exchange(pending_, std::string());
    return closed;
}

void LoopbackClient::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

Answer Answer::Parse(std::string raw) {
    Answer a;
    a.raw = std::move(raw);
    size_t end = a.raw.find("\r\n\r\n");
    if (end == std::string::npos)
        return a;
    a.hasHeader = true;
    size_t firstEnd = a.raw.find("\r\n");
    a.status = a.raw.substr(0, firstEnd);
    a.head = a.raw.substr(firstEnd + 2, end + 2 - firstEnd);
    a.body = a.raw.substr(end + 4);
    for (size_t at = firstEnd + 2, next; at < end + 2; at = next + 2) {
        next = a.raw.find("\r\n", at);
        std::string line = a.raw.substr(at, next - at);
        size_t colon = line.find(':');
        // One space after the colon is the separator; more belong to the value.
        if (colon != std::string::npos)
            a.headers.emplace_back(line.substr(0, colon),
                                   line.substr(colon + 1 + (line[colon + 1] == ' ')));
    }
    const std::string* length = a.Header("Content-Length");
    char* stop = nullptr;
    long long n = length ? std::strtoll(length->c_str(), &stop, 10) : -1;
    a.contentLength = length && !length->empty() && *stop == '\0' ? n : -1;
    return a;
}

const std::string* Answer::Header(const std::string& name) const {
    for (const auto& [field, value] : headers)
        if (strcasecmp(field.c_str(), name.c_str()) == 0)
            return &value;
    return nullptr;
}

std::string Answer::Describe() const {
    if (!hasHeader)
        return raw.empty() ? "no answer" : std::to_string(raw.size()) + " bytes without a header";
    return "'" + status + "', Content-Length " + std::to_string(contentLength) + ", " +
           std::to_string(body.size()) + " body bytes";
}

std::string Printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        out += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : escaped;
    }
    return out;
}

} // namespace tb::test
