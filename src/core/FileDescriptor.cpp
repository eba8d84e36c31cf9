#include "core/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {

void FileDescriptor::Reset(int fd) noexcept {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

RegularFile OpenRegularFile(const char* path) {
    RegularFile file;
    file.fd.Reset(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (!file.fd.IsOpen() || ::fstat(file.fd.Get(), &info) != 0) {
        file.error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        file.error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    } else {
        int flags = ::fcntl(file.fd.Get(), F_GETFL);
        if (flags < 0 || ::fcntl(file.fd.Get(), F_SETFL, flags & ~O_NONBLOCK) < 0)
            file.error = errno;
        file.size = info.st_size;
    }
    if (file.error != 0)
        file.fd.Reset();
    return file;
}

} // namespace tb
