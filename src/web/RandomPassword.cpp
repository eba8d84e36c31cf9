#include "web/RandomPassword.h"

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tb {

String RandomPassword() {
    static const char alphabet[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    unsigned char bytes[12] = {};
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    bool read = fd >= 0 && ::read(fd, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes);
    if (fd >= 0)
        ::close(fd);
    if (!read)
        throw std::runtime_error("cannot read /dev/urandom");
    String password;
    for (unsigned char b : bytes)
        password += alphabet[b % (sizeof alphabet - 1)];
    return password;
}

} // namespace tb
