#pragma once

#include "core/FileDescriptor.h"
#include "core/String.h"

#include <cstddef>
#include <cstdint>

namespace tb {

// Where an MP3 analysis reads its bytes: positioned reads over a file or a
// block of memory of known size. Used by one thread at a time.
class Mp3ByteSource {
public:
    virtual ~Mp3ByteSource() = default;
    virtual uint64_t Size() const noexcept = 0;
    // Copies up to n bytes from offset; returns the count copied, fewer than
    // n at the end or on a read error.
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t n) noexcept = 0;
};

// A regular file, open for reading for the lifetime of the object.
class Mp3FileSource final : public Mp3ByteSource {
public:
    // Throws Mp3FileException when the path cannot be opened or does not
    // name a regular file (a directory, a FIFO that would block, a device).
    explicit Mp3FileSource(const String& path);
    ~Mp3FileSource() override;
    Mp3FileSource(const Mp3FileSource&) = delete;
    Mp3FileSource& operator=(const Mp3FileSource&) = delete;

    uint64_t Size() const noexcept override { return size_; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) noexcept override;

private:
    uint64_t size_ = 0;
    FileDescriptor fd_;
};

// Bytes in memory, borrowed for the lifetime of the object.
class Mp3MemorySource final : public Mp3ByteSource {
public:
    Mp3MemorySource(const void* data, size_t size) noexcept
        : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

    uint64_t Size() const noexcept override { return size_; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) noexcept override;

private:
    const uint8_t* data_;
    size_t size_;
};

} // namespace tb
