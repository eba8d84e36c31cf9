#include "core/Socket.h"

#include "core/Exceptions.h"
#include "core/SocketHandle.h"
#include "core/SocketRegistry.h"

#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>

namespace tb {

// Delegates first, so that the destructor closes the handle should the
// time-out fail.
Socket::Socket(int32_t timeoutMs) : Socket(socket_handle::Open(), 0) {
    SetTimeout(timeoutMs);
}

Socket::Socket(int handle, int32_t timeoutMs) : handle_(handle) {
    SocketRegistry::Add(handle_);
    // An accepted socket starts without time-outs.
    if (timeoutMs != 0) {
        try {
            SetTimeout(timeoutMs);
        } catch (...) {
            socket_handle::CloseQuietly(handle_); // no destructor runs for a failed construction
            throw;
        }
    }
}

Socket::~Socket() {
    socket_handle::CloseQuietly(handle_);
}

namespace {

void SetTimeoutOption(int handle, int option, int32_t milliseconds) {
    timeval tv{};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    if (::setsockopt(handle, SOL_SOCKET, option, &tv, sizeof tv) < 0)
        throw SocketException(errno);
}

} // namespace

void Socket::SetTimeout(int32_t milliseconds) {
    SetTimeoutOption(handle_, SO_SNDTIMEO, milliseconds);
    SetTimeoutOption(handle_, SO_RCVTIMEO, milliseconds);
}

void Socket::SetSendTimeout(int32_t milliseconds) {
    SetTimeoutOption(handle_, SO_SNDTIMEO, milliseconds);
}

void Socket::Connect(const IPAddress& address) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = address.Address();
    a.sin_port = htons(address.Port());
    while (::connect(handle_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0)
        if (errno != EINTR)
            throw SocketException(errno);
}

int32_t Socket::Read(void* buffer, int32_t maximum) {
    for (;;) {
        ssize_t n = ::recv(handle_, buffer, static_cast<size_t>(maximum), 0);
        if (n > 0)
            return static_cast<int32_t>(n);
        if (n == 0)
            throw SocketException(SocketException::PeerClosed);
        if (errno != EINTR)
            throw SocketException(errno);
    }
}

int32_t Socket::Get() {
    unsigned char byte = 0;
    Read(&byte, 1);
    return byte;
}

void Socket::Write(const void* bytes, int32_t count) {
    const auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t n = ::send(handle_, p, static_cast<size_t>(count), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw SocketException(errno);
        }
        p += n;
        count -= static_cast<int32_t>(n);
    }
}

void Socket::Write(const String& first, const String& second) {
    iovec parts[2] = {{const_cast<char*>(first.c_str()), static_cast<size_t>(first.Length())},
                      {const_cast<char*>(second.c_str()), static_cast<size_t>(second.Length())}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    ssize_t n = ::sendmsg(handle_, &message, MSG_NOSIGNAL);
    if (n < 0 && errno != EINTR)
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
    pollfd p{handle_, POLLIN, 0};
    for (;;) {
        int n = ::poll(&p, 1, milliseconds);
        if (n >= 0)
            return n > 0;
        if (errno != EINTR)
            throw SocketException(errno);
    }
}

IPAddress Socket::PeerAddress() const {
    return socket_handle::PeerAddress(handle_);
}

IPAddress Socket::LocalAddress() const {
    return socket_handle::LocalAddress(handle_);
}

} // namespace tb
