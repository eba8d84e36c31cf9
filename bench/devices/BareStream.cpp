// The yardstick for song streaming: the least a thread-per-connection server
// can do when it copies a file in 5000-byte chunks. An accept loop starts a
// thread per connection; the thread reads the request up to its empty line,
// sends a minimal header and then one read() and one send() per 5000 bytes
// of the file, and closes. No parsing, no logging, no status reports.
//
// Usage: bare_stream FILE
// Listens on 127.0.0.1 on a port the system picks and prints
// "listening on 127.0.0.1:PORT"; every request, whatever its path, gets FILE.
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr size_t ChunkSize = 5000;

bool SendAll(int socket, const char* bytes, size_t count) {
    while (count > 0) {
        ssize_t n = ::send(socket, bytes, count, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// Reads until the empty line that ends the request header.
bool ReadRequest(int socket) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || request.size() > 65536)
            return false;
        request.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

void CopyFile(int socket, int file, long long length) {
    char buffer[ChunkSize];
    while (length > 0) {
        ssize_t n = ::read(file, buffer, ChunkSize);
        if (n <= 0 || !SendAll(socket, buffer, static_cast<size_t>(n)))
            return;
        length -= n;
    }
}

void Serve(int socket, const char* path) {
    if (ReadRequest(socket)) {
        int file = ::open(path, O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (file >= 0 && ::fstat(file, &info) == 0) {
            char header[256];
            int n = std::snprintf(header, sizeof header,
                                  "HTTP/1.1 200 OK\r\nContent-Length: %lld\r\n"
                                  "Content-type: audio/mp3\r\n\r\n",
                                  static_cast<long long>(info.st_size));
            if (SendAll(socket, header, static_cast<size_t>(n)))
                CopyFile(socket, file, info.st_size);
        }
        if (file >= 0)
            ::close(file);
    }
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
}

int Listen() {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        ::listen(listener, SOMAXCONN)) {
        std::perror("bare_stream: listen");
        return -1;
    }
    socklen_t size = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    std::printf("listening on 127.0.0.1:%u\n", ntohs(address.sin_port));
    std::fflush(stdout);
    return listener;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bare_stream FILE\n");
        return 2;
    }
    int listener = Listen();
    if (listener < 0)
        return 1;
    for (;;) {
        int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE) {
                // Out of handles: wait for connections to end.
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            std::perror("bare_stream: accept");
            return 1;
        }
        std::thread(Serve, socket, argv[1]).detach();
    }
}
