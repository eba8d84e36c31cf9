#pragma once

#include <chrono>
#include <string>

namespace tb::test {

// A plain blocking TCP client on 127.0.0.1 for speaking raw bytes.
class RawClient {
public:
    explicit RawClient(int port);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void Send(const std::string& bytes);
    // Reads until the peer closes or `timeout` passes.
    std::string ReadAll(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Reads one HTTP answer: the header block and Content-Length bytes of body.
    std::string ReadResponse(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // True when the server closed the connection (end of stream seen within timeout).
    bool ClosedByPeer(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void ShutdownWrite();
    void Close();

private:
    // Reads what arrives within the time left; false at end of stream.
    bool ReadSome(std::chrono::steady_clock::time_point deadline, bool& timedOut);

    int fd_ = -1;
    std::string buffer_;
};

// Sends one request on a fresh connection and reads until the server closes.
std::string Exchange(int port, const std::string& request);

// Runs a shell command and returns its standard output.
std::string RunCommand(const std::string& command);

} // namespace tb::test
