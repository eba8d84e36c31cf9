#pragma once

#include <cstdint>

namespace tb {

class Socket;

// Reads one request at a time from a connection into a 10000-byte buffer:
// until the header block ends and, when a Content-Length is given, until
// the body is in (as far as it fits). Bytes that arrive after a request are
// kept for the next one. A first line that cannot be GET or POST is handed
// over at once, since such a connection is closed without an answer anyway.
// Used by the connection's thread only.
class RequestReader {
public:
    static constexpr int32_t BufferSize = 10000;

    enum class Result {
        Request,  // Bytes()/Count() hold the request, NUL-terminated
        TimedOut, // no complete request within the idle time-out
        TooLarge, // the header block does not fit the buffer
    };

    RequestReader(Socket& socket, int32_t idleTimeoutMs)
        : socket_(socket), idleTimeoutMs_(idleTimeoutMs) {}

    // Throws SocketException when the peer goes away with no request pending.
    Result Next();
    const char* Bytes() const noexcept { return buffer_; }
    int32_t Count() const noexcept { return requestLength_; }

private:
    // Length of the complete request at the start of the buffer, or 0.
    int32_t CompleteLength() const;
    void DropRequest();

    Socket& socket_;
    const int32_t idleTimeoutMs_;
    char buffer_[BufferSize + 1] = {};
    int32_t filled_ = 0;
    int32_t requestLength_ = 0;
    char savedByte_ = 0; // the byte the terminator overwrote
};

} // namespace tb
