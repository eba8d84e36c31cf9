#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace tb::test {

// A plain blocking TCP client to 127.0.0.1, speaking raw bytes, with every
// wait bounded so that a faulty server fails a test instead of hanging it.
class LoopbackClient {
public:
    // Connects at once; a failed connect fails the current test.
    explicit LoopbackClient(int port);
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    // True when something accepts connections on 127.0.0.1:port.
    static bool Reachable(int port);

    bool IsConnected() const noexcept { return fd_ >= 0; }
    // Sends all bytes; false when the server has gone away.
    bool Send(std::string_view bytes);
    // One answer: the header block and Content-Length bytes of body, or
    // empty when it does not arrive complete within `timeout`.
    std::string ReadResponse(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Whatever arrives within `timeout`, starting with bytes already read.
    std::string ReadFor(std::chrono::milliseconds timeout);
    // Reads until the server closes the connection; false when it is still
    // open after `timeout`. What arrived meanwhile goes to `rest`.
    bool WaitClosed(std::chrono::milliseconds timeout = std::chrono::seconds(10),
                    std::string* rest = nullptr);
    void ShutdownWrite();
    void Close();

private:
    // Receives what arrives before `deadline`; false at the end of the stream.
    bool ReadSome(std::chrono::steady_clock::time_point deadline, bool& timedOut);

    int fd_ = -1;
    std::string pending_;
};

// The parts of an answer as the tests look at them.
struct Answer {
    std::string status;  // first line
    std::string headers; // the header block after the first line, with its empty line
    std::string body;
};
Answer SplitAnswer(const std::string& response);

} // namespace tb::test
