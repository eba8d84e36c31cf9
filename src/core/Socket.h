#pragma once

#include "core/IPAddress.h"
#include "core/Stream.h"

namespace tb {

// A connected TCP socket over IPv4 with blocking byte-stream calls. Every
// failure throws SocketException with errno; an orderly close by the peer
// throws SocketException::PeerClosed. Used by one thread at a time, except
// Interrupt, which any thread may call.
class Socket : public InputStream, public OutputStream {
public:
    // A new unconnected socket; `timeoutMs` applies to sends and receives
    // (0 = none).
    explicit Socket(int32_t timeoutMs);
    // Adopts an accepted handle.
    Socket(int handle, int32_t timeoutMs);
    ~Socket() override;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    void SetTimeout(int32_t milliseconds);
    // Sends only: a send that moves no byte for this long fails (EAGAIN).
    void SetSendTimeout(int32_t milliseconds);
    void Connect(const IPAddress& address);

    // One recv: returns 1..maximum bytes.
    int32_t Read(void* buffer, int32_t maximum) override;
    int32_t Get() override;
    // Sends all bytes, in as many calls as it takes.
    void Write(const void* bytes, int32_t count) override;
    void Write(const String& text) { Write(text.c_str(), text.Length()); }
    // Both texts, one after the other, handed to the system together.
    void Write(const String& first, const String& second);
    void Put(char byte) override;
    // Shuts down both directions and closes; closing twice does nothing.
    void Close() override;

    // Waits up to `milliseconds` for bytes (or an error or end) to arrive.
    bool WaitReadable(int32_t milliseconds);

    bool IsOpen() const noexcept { return handle_ >= 0; }
    IPAddress PeerAddress() const;
    IPAddress LocalAddress() const;

private:
    int handle_;
};

} // namespace tb
