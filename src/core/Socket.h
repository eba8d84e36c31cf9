#pragma once

#include "core/IPAddress.h"
#include "core/Stream.h"

namespace tb {

// A connected TCP socket over IPv4 with blocking byte-stream calls. The
// handle itself never blocks: the calls wait in poll, against this object's
// time-outs. Every failure throws SocketException with errno (EAGAIN when a
// time-out passed); an orderly close by the peer throws
// SocketException::PeerClosed. Used by one thread at a time, except
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
    // Sends only: a write fails (EAGAIN) once it has waited this long
    // without handing the system a further 64 kB.
    void SetSendTimeout(int32_t milliseconds);
    void Connect(const IPAddress& address);
    // Reads (and waits for bytes) end only once `bytes` have arrived, or at
    // the end of the stream or the receive time-out.
    void SetReceiveLowWater(int32_t bytes);

    // One recv: returns 1..maximum bytes.
    int32_t Read(void* buffer, int32_t maximum) override;
    int32_t Get() override;
    // Sends all bytes, in as many calls as it takes.
    void Write(const void* bytes, int32_t count) override;
    void Write(const String& text) { Write(text.c_str(), text.Length()); }
    // Both texts, one after the other, handed to the system together.
    void Write(const String& first, const String& second);
    void Put(char byte) override;
    // Sends `header`, then `count` bytes of the open file `fd` from
    // `offset`, the file's without copying them through this process;
    // returns how many of the file's bytes went, fewer only when the file
    // ends first. The calling thread gets no SIGPIPE from then on.
    uint64_t SendFile(const String& header, int fd, uint64_t offset, uint64_t count);
    // Shuts down both directions and closes; closing twice does nothing.
    void Close() override;

    // Waits up to `milliseconds` for bytes (or an error or end) to arrive.
    bool WaitReadable(int32_t milliseconds);

    bool IsOpen() const noexcept { return handle_ >= 0; }
    IPAddress PeerAddress() const;
    IPAddress LocalAddress() const;

private:
    class SendClock;
    void AfterFailedSend(const SendClock& clock);
    void SendAll(const char* bytes, size_t count, int flags, SendClock& clock);

    int handle_;
    int32_t receiveTimeoutMs_ = 0; // 0: no limit
    int32_t sendTimeoutMs_ = 0;
};

} // namespace tb
