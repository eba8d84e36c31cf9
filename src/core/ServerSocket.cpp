#include "core/ServerSocket.h"

#include "core/Exceptions.h"
#include "core/SocketHandle.h"
#include "core/SocketRegistry.h"

#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace tb {

ServerSocket::ServerSocket(const IPAddress& address) : handle_(socket_handle::Open()) {
    int on = 1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = address.Address();
    a.sin_port = htons(address.Port());
    if (::setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) < 0 ||
        ::bind(handle_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0 ||
        ::listen(handle_, SOMAXCONN) < 0) {
        int error = errno;
        socket_handle::CloseQuietly(handle_);
        throw SocketException(error);
    }
    // Registered again now that it listens: shutting down an unbound socket
    // does not stop a later accept, so a registry stopped in the meantime
    // could not shut it down when it was opened.
    SocketRegistry::Add(handle_);
}

ServerSocket::~ServerSocket() {
    Close();
}

std::unique_ptr<Socket> ServerSocket::Accept(int32_t timeoutMs) {
    for (;;) {
        int client = ::accept4(handle_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client >= 0)
            return std::make_unique<Socket>(client, timeoutMs);
        // A connection that died in the backlog is not the listener's failure,
        // and running out of handles is waited out rather than restarting.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        else if (errno != EINTR && errno != ECONNABORTED)
            throw SocketException(errno);
    }
}

void ServerSocket::Interrupt() {
    if (handle_ >= 0)
        ::shutdown(handle_, SHUT_RDWR);
}

void ServerSocket::Close() {
    socket_handle::CloseQuietly(handle_);
    handle_ = -1;
}

IPAddress ServerSocket::LocalAddress() const {
    return socket_handle::LocalAddress(handle_);
}

} // namespace tb
