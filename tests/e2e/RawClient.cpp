#include "RawClient.h"

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tb::test {

RawClient::RawClient(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
}

RawClient::~RawClient() {
    Close();
}

void RawClient::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

void RawClient::Send(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            throw std::runtime_error("send failed");
        sent += static_cast<size_t>(n);
    }
}

void RawClient::ShutdownWrite() {
    shutdown(fd_, SHUT_WR);
}

bool RawClient::ReadSome(std::chrono::steady_clock::time_point deadline, bool& timedOut) {
    timedOut = false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
        timedOut = true;
        return true;
    }
    char chunk[65536];
    ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0)
        return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
}

std::string RawClient::ReadAll(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (ReadSome(deadline, timedOut) && !timedOut) {
    }
    std::string all;
    all.swap(buffer_);
    return all;
}

std::string RawClient::ReadResponse(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    for (;;) {
        size_t end = buffer_.find("\r\n\r\n");
        if (end != std::string::npos) {
            size_t length = 0;
            size_t at = buffer_.find("\r\nContent-Length:");
            if (at != std::string::npos && at < end)
                length = std::stoul(buffer_.substr(at + 17));
            if (buffer_.size() >= end + 4 + length) {
                std::string response = buffer_.substr(0, end + 4 + length);
                buffer_.erase(0, end + 4 + length);
                return response;
            }
        }
        if (!ReadSome(deadline, timedOut) || timedOut) {
            std::string partial;
            partial.swap(buffer_);
            return partial;
        }
    }
}

bool RawClient::ClosedByPeer(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (ReadSome(deadline, timedOut)) {
        if (timedOut)
            return false;
    }
    return true;
}

std::string Exchange(int port, const std::string& request) {
    RawClient client(port);
    client.Send(request);
    return client.ReadAll();
}

std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, n);
    pclose(pipe);
    return output;
}

} // namespace tb::test
