#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace tb::test {

// A blocking TCP client to the server on 127.0.0.1 that speaks raw bytes.
// It can leave from another loopback address (127.0.0.2 is a different
// peer to the server) and can keep its receive buffer small so that the
// server blocks while sending. Every wait is bounded.
class DeviceClient {
public:
    struct Options {
        const char* source = "127.0.0.1";
        int receiveBuffer = 0; // bytes; 0 leaves the system default
    };

    DeviceClient(int port, Options options);
    explicit DeviceClient(int port) : DeviceClient(port, Options{}) {}
    ~DeviceClient();
    DeviceClient(const DeviceClient&) = delete;
    DeviceClient& operator=(const DeviceClient&) = delete;

    bool IsConnected() const noexcept { return fd_ >= 0; }
    // The client's own port, which the server's log lines show.
    int LocalPort() const;
    bool Send(std::string_view bytes);
    // Reads until `count` bytes arrived in all (or the end, or the time-out).
    std::string ReadAtLeast(size_t count,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Reads until the server closes; `closed` tells whether it did in time.
    std::string ReadToEnd(bool& closed,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void Close();

private:
    // False at the end of the stream or after the deadline.
    bool ReadSome(std::chrono::steady_clock::time_point deadline, bool& timedOut);

    int fd_ = -1;
    std::string received_;
};

// Sends `request` on a new connection and returns everything the server
// sends before it closes; `closed` is false when it kept the connection open.
std::string Exchange(int port, const std::string& request, bool& closed,
                     DeviceClient::Options options = {});

} // namespace tb::test
