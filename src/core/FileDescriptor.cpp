#include "core/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
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

std::optional<std::string> ReadWholeFile(const char* path, int64_t limit) {
    RegularFile file = OpenRegularFile(path);
    if (!file.fd.IsOpen() || file.size > limit)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(file.size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(file.fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        done += static_cast<size_t>(n);
    }
    char extra;
    if (::read(file.fd.Get(), &extra, 1) != 0) // it grew meanwhile
        return std::nullopt;
    return bytes;
}

void ReplaceFileContents(const char* path, std::string_view bytes, unsigned mode) {
    std::string temporary = std::string(path) + ".partial";
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    if (!file.IsOpen())
        throw std::system_error(errno, std::generic_category(), temporary);
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(file.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int error = n < 0 ? errno : EIO;
            ::unlink(temporary.c_str());
            throw std::system_error(error, std::generic_category(), temporary);
        }
        done += static_cast<size_t>(n);
    }
    // The mode asked for, whatever the umask made of it.
    if (::fchmod(file.Get(), mode) != 0 || ::fsync(file.Get()) != 0 ||
        ::rename(temporary.c_str(), path) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        throw std::system_error(error, std::generic_category(), path);
    }
}

FileDescriptor SealedMemoryFile(const char* name, std::string_view bytes) {
    FileDescriptor file(::memfd_create(name, MFD_CLOEXEC | MFD_ALLOW_SEALING));
    for (size_t done = 0; file.IsOpen() && done < bytes.size();) {
        ssize_t n = ::write(file.Get(), bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n == 0 || errno != EINTR)
            file.Reset();
    }
    constexpr int Seals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;
    if (file.IsOpen() && ::fcntl(file.Get(), F_ADD_SEALS, Seals) != 0)
        file.Reset();
    return file;
}

} // namespace tb
