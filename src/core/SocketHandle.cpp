#include "core/SocketHandle.h"

#include "core/Exceptions.h"
#include "core/SocketRegistry.h"

#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tb::socket_handle {
namespace {

IPAddress FromSockaddr(const sockaddr_in& a) {
    return IPAddress(a.sin_addr.s_addr, ntohs(a.sin_port));
}

} // namespace

int Open() {
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        throw SocketException(errno);
    SocketRegistry::Add(handle);
    return handle;
}

void CloseQuietly(int handle) noexcept {
    if (handle < 0)
        return;
    SocketRegistry::Remove(handle);
    ::close(handle);
}

IPAddress LocalAddress(int handle) {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    if (::getsockname(handle, reinterpret_cast<sockaddr*>(&a), &size) < 0)
        throw SocketException(errno);
    return FromSockaddr(a);
}

IPAddress PeerAddress(int handle) {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    if (::getpeername(handle, reinterpret_cast<sockaddr*>(&a), &size) < 0)
        throw SocketException(errno);
    return FromSockaddr(a);
}

} // namespace tb::socket_handle
