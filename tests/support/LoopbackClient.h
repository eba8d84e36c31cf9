#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tb::test {

using std::chrono::milliseconds;
constexpr milliseconds TenSeconds{10000};

// A plain blocking TCP client to the server on 127.0.0.1, speaking raw
// bytes, with every wait bounded so that a faulty server fails a test
// instead of hanging it. It can leave from another loopback address
// (127.0.0.2 is another peer to the server) and keep its receive buffer
// small so that the server blocks while sending.
class LoopbackClient {
public:
    struct Options {
        const char* source = "127.0.0.1";
        int receiveBuffer = 0; // bytes; 0 leaves the system default
    };
    // Connects at once; a failed connect fails the current test.
    LoopbackClient(int port, Options options);
    explicit LoopbackClient(int port) : LoopbackClient(port, Options{}) {}
    ~LoopbackClient() { Close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    // True when something accepts connections on 127.0.0.1:port.
    static bool Reachable(int port);
    // The client's own port, which the server's log lines show.
    int LocalPort() const;
    // Sends all bytes; false when the server has gone away.
    bool Send(std::string_view bytes);
    // One answer: the header block and Content-Length bytes of body, or
    // empty when it does not arrive complete in time.
    std::string ReadResponse(milliseconds timeout = TenSeconds);
    // Reads until `count` bytes arrived in all, the end, or the time-out.
    std::string ReadAtLeast(size_t count, milliseconds timeout = TenSeconds);
    // Reads until the server closes; false when it is still open after
    // `timeout`. What arrived meanwhile goes to `rest`.
    bool WaitClosed(milliseconds timeout = TenSeconds, std::string* rest = nullptr);
    void Close();

private:
    // Receives until `done` holds or the stream ends; false when `timeout`
    // passed first.
    bool ReadUntil(milliseconds timeout, const std::function<bool()>& done);

    int fd_ = -1;
    std::string pending_;
};

// One HTTP answer as a client receives it.
struct Answer {
    std::string raw;
    bool hasHeader = false; // the empty line that ends the header block arrived
    std::string status;     // the first line
    std::string head;       // the header lines after the first, with the empty line
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers; // names and values as sent
    long long contentLength = -1;                             // -1 without a Content-Length field

    static Answer Parse(std::string raw);
    // The value of the first field of this name (any case), or null.
    const std::string* Header(const std::string& name) const;
    std::string Value(const std::string& name) const {
        return Header(name) ? *Header(name) : "(none)";
    }
    // A header, a Content-Length, and exactly that many body bytes.
    bool Complete() const {
        return hasHeader && contentLength == static_cast<long long>(body.size());
    }
    // A short description for failure messages.
    std::string Describe() const;
};

// Text for failure messages, with bytes that are not printable ASCII as \xNN.
std::string Printable(const std::string& bytes);

} // namespace tb::test
