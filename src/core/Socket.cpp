#include "core/Socket.h"

#include "core/Exceptions.h"
#include "core/SocketHandle.h"
#include "core/SocketRegistry.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>

namespace tb {

Socket::Socket(int32_t timeoutMs) : Socket(socket_handle::Open(), timeoutMs) {}

// All waiting is done in poll, against this object's own time-outs, so the
// handle never blocks.
Socket::Socket(int handle, int32_t timeoutMs)
    : handle_(handle), receiveTimeoutMs_(timeoutMs), sendTimeoutMs_(timeoutMs) {
    SocketRegistry::Add(handle_);
    int flags = ::fcntl(handle_, F_GETFL);
    if (flags < 0 || (!(flags & O_NONBLOCK) && ::fcntl(handle_, F_SETFL, flags | O_NONBLOCK) < 0)) {
        int error = errno;
        socket_handle::CloseQuietly(handle_); // no destructor runs for a failed construction
        throw SocketException(error);
    }
}

Socket::~Socket() {
    socket_handle::CloseQuietly(handle_);
}

void Socket::SetTimeout(int32_t milliseconds) {
    receiveTimeoutMs_ = milliseconds;
    sendTimeoutMs_ = milliseconds;
}

void Socket::SetSendTimeout(int32_t milliseconds) {
    sendTimeoutMs_ = milliseconds;
}

namespace {

// Waits for `events`; false when `milliseconds` (-1: no limit) passed first.
bool WaitFor(int handle, short events, int milliseconds) {
    pollfd p{handle, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, milliseconds);
        if (n >= 0)
            return n > 0; // ready, or an error the next call reports
        if (errno != EINTR)
            throw SocketException(errno);
    }
}

int NoLimitIfZero(int32_t milliseconds) {
    return milliseconds == 0 ? -1 : milliseconds;
}

} // namespace

// The time a write has left. The system's own send time-out starts again
// whenever a send moves a single byte, so a client that reads a trickle, or
// none while the buffers still grow, would hold a thread for several
// time-outs: the write waits in poll instead, gaining time only for every
// 64 kB moved.
class Socket::SendClock {
public:
    explicit SendClock(int32_t timeoutMs) : timeout_(timeoutMs) { Start(); }

    void Moved(size_t bytes) {
        if ((moved_ += bytes) >= 64 * 1024)
            Start();
    }
    // -1 (no limit) or the milliseconds left, 0 when none.
    int Left() const {
        if (timeout_.count() == 0)
            return -1;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ -
                                                                 std::chrono::steady_clock::now());
        return static_cast<int>(std::max<int64_t>(left.count(), 0));
    }

private:
    void Start() {
        moved_ = 0;
        deadline_ = std::chrono::steady_clock::now() + timeout_;
    }

    std::chrono::milliseconds timeout_;
    std::chrono::steady_clock::time_point deadline_;
    size_t moved_ = 0;
};

// After a send that failed: waits for room when the socket had none, goes
// on after a signal, throws for anything else or when the time is up.
void Socket::AfterFailedSend(const SendClock& clock) {
    if (errno == EINTR)
        return;
    if (errno != EAGAIN && errno != EWOULDBLOCK)
        throw SocketException(errno);
    int left = clock.Left();
    if (left == 0 || !WaitFor(handle_, POLLOUT, left))
        throw SocketException(EAGAIN);
}

void Socket::SendAll(const char* bytes, size_t count, int flags, SendClock& clock) {
    while (count > 0) {
        ssize_t n = ::send(handle_, bytes, count, MSG_NOSIGNAL | flags);
        if (n < 0) {
            AfterFailedSend(clock);
            continue;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
        clock.Moved(static_cast<size_t>(n));
    }
}

void Socket::SetReceiveLowWater(int32_t bytes) {
    if (::setsockopt(handle_, SOL_SOCKET, SO_RCVLOWAT, &bytes, sizeof bytes) < 0)
        throw SocketException(errno);
}

void Socket::Connect(const IPAddress& address) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = address.Address();
    a.sin_port = htons(address.Port());
    if (::connect(handle_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        return;
    if (errno != EINPROGRESS && errno != EINTR)
        throw SocketException(errno);
    if (!WaitFor(handle_, POLLOUT, NoLimitIfZero(sendTimeoutMs_)))
        throw SocketException(ETIMEDOUT);
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(handle_, SOL_SOCKET, SO_ERROR, &error, &size) < 0)
        error = errno;
    if (error != 0)
        throw SocketException(error);
}

int32_t Socket::Read(void* buffer, int32_t maximum) {
    for (;;) {
        ssize_t n = ::recv(handle_, buffer, static_cast<size_t>(maximum), 0);
        if (n > 0)
            return static_cast<int32_t>(n);
        if (n == 0)
            throw SocketException(SocketException::PeerClosed);
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(handle_, POLLIN, NoLimitIfZero(receiveTimeoutMs_)))
                throw SocketException(EAGAIN);
        } else if (errno != EINTR) {
            throw SocketException(errno);
        }
    }
}

int32_t Socket::Get() {
    unsigned char byte = 0;
    Read(&byte, 1);
    return byte;
}

void Socket::Write(const void* bytes, int32_t count) {
    SendClock clock(sendTimeoutMs_);
    SendAll(static_cast<const char*>(bytes), static_cast<size_t>(std::max(count, 0)), 0, clock);
}

void Socket::Write(const String& first, const String& second) {
    iovec parts[2] = {{const_cast<char*>(first.c_str()), static_cast<size_t>(first.Length())},
                      {const_cast<char*>(second.c_str()), static_cast<size_t>(second.Length())}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    ssize_t n = ::sendmsg(handle_, &message, MSG_NOSIGNAL);
    if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
        throw SocketException(errno);
    // Whatever the first call left is sent the plain way.
    size_t sent = n > 0 ? static_cast<size_t>(n) : 0;
    if (sent < parts[0].iov_len) {
        Write(first.c_str() + sent, static_cast<int32_t>(parts[0].iov_len - sent));
        sent = parts[0].iov_len;
    }
    sent -= parts[0].iov_len;
    Write(second.c_str() + sent, static_cast<int32_t>(parts[1].iov_len - sent));
}

namespace {

// Sends of files on this thread raise no SIGPIPE from now on: sendfile has
// no flag against it. Blocked once per thread rather than around each send,
// which would cost four system calls a page.
void BlockBrokenPipeSignals() {
    thread_local bool blocked = false;
    if (blocked)
        return;
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    blocked = pthread_sigmask(SIG_BLOCK, &pipe, nullptr) == 0;
}

} // namespace

uint64_t Socket::SendFile(const String& header, int fd, uint64_t offset, uint64_t count) {
    SendClock clock(sendTimeoutMs_);
    SendAll(header.c_str(), static_cast<size_t>(header.Length()), MSG_MORE, clock);
    BlockBrokenPipeSignals();
    auto at = static_cast<off_t>(offset);
    uint64_t sent = 0;
    while (sent < count) {
        ssize_t n = ::sendfile(handle_, fd, &at, static_cast<size_t>(count - sent));
        if (n == 0)
            break; // the file ended
        if (n < 0) {
            AfterFailedSend(clock);
            continue;
        }
        sent += static_cast<uint64_t>(n);
        clock.Moved(static_cast<size_t>(n));
    }
    // The file's last part would wait for the peer's acknowledgement, which
    // a kept-alive browser delays: it is pushed out now. Sending all of it
    // without delay instead makes more, smaller packets.
    int on = 1, off = 0;
    ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &off, sizeof off);
    return sent;
}

void Socket::Put(char byte) {
    Write(&byte, 1);
}

void Socket::Close() {
    if (handle_ < 0)
        return;
    ::shutdown(handle_, SHUT_RDWR);
    socket_handle::CloseQuietly(handle_);
    handle_ = -1;
}

bool Socket::WaitReadable(int32_t milliseconds) {
    return WaitFor(handle_, POLLIN, milliseconds);
}

IPAddress Socket::PeerAddress() const {
    return socket_handle::PeerAddress(handle_);
}

IPAddress Socket::LocalAddress() const {
    return socket_handle::LocalAddress(handle_);
}

} // namespace tb
