#pragma once

#include "core/String.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tb {

class DownloadProgress;
class OutputStream;

// A zip archive of whole files, stored without compression and written
// straight to a stream, so that its size is known before its first byte.
// No file is held in memory: each is read twice in chunks, once for its
// CRC and once to send it. Sizes and offsets are 32-bit (see Fits). Used
// by one thread.
class ZipWriter {
public:
    explicit ZipWriter(String comment) : comment_(std::move(comment)) {}

    // Appends an entry `name` (no folder part) holding the file at `path`;
    // nothing is read yet.
    void AddFile(String name, String path);
    // Takes each file's size as it is now, leaving out the entries whose
    // files cannot be opened as regular files; the archive's size.
    uint64_t ComputeSize();
    // The measured archive can be written with 32-bit sizes and offsets
    // and a 16-bit entry count, none of them at its all-ones value (which
    // readers take for a pointer to 64-bit fields).
    bool Fits() const;
    // Writes the archive as measured last (measuring now if never), which
    // must fit. Throws ZipFileChanged when a file no longer holds its
    // measured bytes; the archive then stops inside that entry. Stream
    // failures pass through.
    void Write(OutputStream& out, DownloadProgress* progress);

private:
    struct Entry {
        String name;
        String path;
        uint64_t size = 0;
        uint32_t crc = 0;
        uint32_t dosTime = 0; // MS-DOS date in the high half, time in the low
    };

    void WriteEntry(OutputStream& out, Entry& entry, std::vector<char>& buffer) const;
    std::string Directory() const;

    String comment_;
    std::vector<Entry> entries_;
    uint64_t size_ = 0;
    bool measured_ = false;
};

// A file of an archive being written is gone, or no longer holds the bytes
// measured for it; carries the entry's name.
class ZipFileChanged : public std::runtime_error {
public:
    explicit ZipFileChanged(String name)
        : std::runtime_error("zip entry changed while it was sent"), name_(std::move(name)) {}
    const String& Name() const noexcept { return name_; }

private:
    String name_;
};

} // namespace tb
