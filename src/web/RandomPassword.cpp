#include "web/RandomPassword.h"

#include "core/FileDescriptor.h"

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tb {

String RandomPassword() {
    static const char alphabet[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    unsigned char bytes[12] = {};
    FileDescriptor random(::open("/dev/urandom", O_RDONLY | O_CLOEXEC));
    bool read = random.IsOpen() &&
                ::read(random.Get(), bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes);
    if (!read)
        throw std::runtime_error("cannot read /dev/urandom");
    String password;
    for (unsigned char b : bytes)
        password += alphabet[b % (sizeof alphabet - 1)];
    return password;
}

} // namespace tb
