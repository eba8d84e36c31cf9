#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace tb::test {

// A plain blocking TCP client to the server on 127.0.0.1, speaking raw
// bytes, with every wait bounded so that a faulty server fails a test
// instead of hanging it. It can leave from another loopback address
// (127.0.0.2 is a different peer to the server) and can keep its receive
// buffer small so that the server blocks while sending.
class LoopbackClient {
public:
    struct Options {
        const char* source = "127.0.0.1";
        int receiveBuffer = 0; // bytes; 0 leaves the system default
    };

    // Connects at once; a failed connect fails the current test.
    LoopbackClient(int port, Options options);
    explicit LoopbackClient(int port) : LoopbackClient(port, Options{}) {}
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    // True when something accepts connections on 127.0.0.1:port.
    static bool Reachable(int port);

    bool IsConnected() const noexcept { return fd_ >= 0; }
    // The client's own port, which the server's log lines show.
    int LocalPort() const;
    // Sends all bytes; false when the server has gone away.
    bool Send(std::string_view bytes);
    // One answer: the header block and Content-Length bytes of body, or
    // empty when it does not arrive complete within `timeout`.
    std::string ReadResponse(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Reads until `count` bytes arrived in all (or the end, or the time-out).
    std::string ReadAtLeast(size_t count,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Reads until the server closes; `closed` tells whether it did in time.
    std::string ReadToEnd(bool& closed,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Whatever arrives within `timeout` or until the server closes.
    std::string ReadFor(std::chrono::milliseconds timeout);
    // Reads until the server closes the connection; false when it is still
    // open after `timeout`. What arrived meanwhile goes to `rest`.
    bool WaitClosed(std::chrono::milliseconds timeout = std::chrono::seconds(10),
                    std::string* rest = nullptr);
    void ShutdownWrite();
    void Close();

private:
    // Receives what arrives before `deadline`; false at the end of the
    // stream or when the deadline passed (then `timedOut` is set).
    bool ReadSome(std::chrono::steady_clock::time_point deadline, bool& timedOut);

    int fd_ = -1;
    std::string pending_;
};

// Sends `request` on a new connection and returns everything the server
// sends before it closes; `closed` is false when it kept the connection open.
std::string Exchange(int port, const std::string& request, bool& closed,
                     LoopbackClient::Options options = {});
// The same, for tests that only look at the bytes.
std::string Exchange(int port, const std::string& request);

// The parts of an answer as the tests look at them.
struct Answer {
    std::string status;  // first line
    std::string headers; // the header block after the first line, with its empty line
    std::string body;
};
Answer SplitAnswer(const std::string& response);

} // namespace tb::test
