#include "library/Mp3ByteSource.h"

#include "library/Mp3FileException.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {
namespace {

int OpenForReading(const String& path) {
    // A name with a NUL inside would open a different, shorter name.
    if (memchr(path.c_str(), 0, static_cast<size_t>(path.Length())) != nullptr)
        throw Mp3FileException(ENOENT);
    // Non-blocking, so that a FIFO named like a song cannot stall an index
    // build; it is refused below anyway.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw Mp3FileException(errno);
    return fd;
}

uint64_t RegularFileSize(int fd) {
    struct stat info;
    int error = 0;
    if (fstat(fd, &info) != 0)
        error = errno;
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL;
    if (error != 0) {
        close(fd);
        throw Mp3FileException(error);
    }
    return static_cast<uint64_t>(info.st_size);
}

} // namespace

Mp3FileSource::Mp3FileSource(const String& path) : fd_(OpenForReading(path)) {
    size_ = RegularFileSize(fd_);
}

Mp3FileSource::~Mp3FileSource() {
    close(fd_);
}

size_t Mp3FileSource::ReadAt(uint64_t offset, void* buffer, size_t n) noexcept {
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    // One pread normally; more only when a read stops short of a known end.
    while (done < n) {
        ssize_t got = pread(fd_, bytes + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
        if (offset + done >= size_)
            break;
    }
    return done;
}

size_t Mp3MemorySource::ReadAt(uint64_t offset, void* buffer, size_t n) noexcept {
    if (offset >= size_)
        return 0;
    size_t count = std::min<uint64_t>(n, size_ - offset);
    memcpy(buffer, data_ + offset, count);
    return count;
}

} // namespace tb
