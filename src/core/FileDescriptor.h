#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tb {

// Owns one file descriptor and closes it when it goes out of scope; the only
// place in the program that closes a file by hand. Move-only.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    bool IsOpen() const noexcept { return fd_ >= 0; }
    int Get() const noexcept { return fd_; }
    int Release() noexcept { return std::exchange(fd_, -1); }
    // Closes the descriptor held (if any) and takes `fd`.
    void Reset(int fd = -1) noexcept;

private:
    int fd_ = -1;
};

// A regular file opened for reading, with its size; closed (and `error`
// set to an errno value) when the path could not be opened or names no
// regular file. The open never blocks, so a FIFO or device named like a
// song or a picture cannot hold the calling thread; reads block as usual.
struct RegularFile {
    FileDescriptor fd;
    int64_t size = 0;
    int error = 0;
};
RegularFile OpenRegularFile(const char* path);

// The whole content of a regular file of at most `limit` bytes; nothing
// when it cannot be opened, is larger, or changes size while it is read.
std::optional<std::string> ReadWholeFile(const char* path, int64_t limit);

// Writes `bytes` to a new file beside `path` and renames it into place, so
// that `path` holds either its old content or all of the new one. Throws
// std::system_error.
void ReplaceFileContents(const char* path, std::string_view bytes, unsigned mode);

// An unnamed file in memory holding `bytes`, sealed so that they can no
// longer change; closed when the system cannot make one.
FileDescriptor SealedMemoryFile(const char* name, std::string_view bytes);

} // namespace tb
