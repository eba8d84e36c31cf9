#include "library/Mp3ByteSource.h"

#include "library/Mp3FileException.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tb {
namespace {

FileDescriptor OpenForReading(const String& path, uint64_t& size) {
    // A name with a NUL inside would open a different, shorter name.
    if (memchr(path.c_str(), 0, static_cast<size_t>(path.Length())) != nullptr)
        throw Mp3FileException(ENOENT);
    RegularFile file = OpenRegularFile(path.c_str());
    if (file.error != 0)
        throw Mp3FileException(file.error);
    size = static_cast<uint64_t>(file.size);
    return std::move(file.fd);
}

} // namespace

Mp3FileSource::Mp3FileSource(const String& path) : fd_(OpenForReading(path, size_)) {}

Mp3FileSource::~Mp3FileSource() = default;

size_t Mp3FileSource::ReadAt(uint64_t offset, void* buffer, size_t n) noexcept {
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    // One pread normally; more only when a read stops short of a known end.
    while (done < n) {
        ssize_t got = pread(fd_.Get(), bytes + done, n - done, static_cast<off_t>(offset + done));
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
