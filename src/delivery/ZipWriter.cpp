#include "delivery/ZipWriter.h"

#include "core/DateTime.h"
#include "core/FileDescriptor.h"
#include "core/Stream.h"
#include "delivery/Crc32.h"
#include "delivery/DownloadProgress.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {
namespace {

constexpr size_t ChunkSize = 64 * 1024;
constexpr uint32_t LocalHeaderSize = 30;
constexpr uint32_t CentralHeaderSize = 46;
constexpr uint32_t EndRecordSize = 22;
constexpr uint16_t VersionNeeded = 20;
constexpr uint64_t Marker32 = 0xFFFFFFFF; // "see the 64-bit fields" to readers
constexpr size_t Marker16 = 0xFFFF;

void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Date and time as the file system keeps them (UTC); the DOS fields hold
// the years 1980 to 2107 only, so other times are clamped to that range.
uint32_t DosTime(const struct stat& info) {
    SystemTime t = DateTime::FromUnix(info.st_mtim.tv_sec, 0).GetSystemTime();
    if (t.year < 1980)
        return (1 << 5 | 1) << 16; // 1980-01-01 00:00:00
    if (t.year > 2107)
        return (127u << 9 | 12 << 5 | 31) << 16 | (23 << 11 | 59 << 5 | 29);
    uint32_t date = (t.year - 1980u) * 512 + t.month * 32u + t.day;
    uint32_t time = t.hour * 2048u + t.minute * 32u + t.second / 2u;
    return date << 16 | time;
}

// The fields local and central headers share, from "version needed" to
// the name length.
void PutCommon(std::string& out, uint32_t dosTime, uint32_t crc, uint64_t size,
               const String& name) {
    Put16(out, VersionNeeded);
    Put16(out, 0); // flags
    Put16(out, 0); // stored
    Put32(out, dosTime);
    Put32(out, crc);
    Put32(out, static_cast<uint32_t>(size));
    Put32(out, static_cast<uint32_t>(size));
    Put16(out, static_cast<uint32_t>(name.Length()));
}

// Reads the whole file from its start in chunks, handing each to `out` if
// given; the CRC of the bytes. Throws unless they are exactly `size`: the
// check comes before a chunk goes out, so nothing past the size is sent.
uint32_t ReadPass(int fd, const String& name, uint64_t size, std::vector<char>& buffer,
                  OutputStream* out) {
    if (::lseek(fd, 0, SEEK_SET) != 0)
        throw ZipFileChanged(name);
    Crc32 crc;
    uint64_t done = 0;
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            break;
        if (n < 0)
            throw ZipFileChanged(name);
        done += static_cast<uint64_t>(n);
        if (done > size)
            throw ZipFileChanged(name);
        crc.Update(buffer.data(), static_cast<size_t>(n));
        if (out)
            out->Write(buffer.data(), static_cast<int32_t>(n));
    }
    if (done != size)
        throw ZipFileChanged(name);
    return crc.Value();
}

} // namespace

void ZipWriter::AddFile(String name, String path) {
    entries_.push_back(Entry{std::move(name), std::move(path)});
}

uint64_t ZipWriter::ComputeSize() {
    std::erase_if(entries_, [](Entry& entry) {
        RegularFile file = OpenRegularFile(entry.path.c_str());
        entry.size = static_cast<uint64_t>(file.size);
        return !file.fd.IsOpen();
    });
    size_ = EndRecordSize + static_cast<uint64_t>(comment_.Length());
    for (const Entry& entry : entries_)
        size_ +=
            LocalHeaderSize + CentralHeaderSize + 2 * uint64_t(entry.name.Length()) + entry.size;
    measured_ = true;
    return size_;
}

bool ZipWriter::Fits() const {
    return size_ < Marker32 && entries_.size() < Marker16;
}

void ZipWriter::Write(OutputStream& out, DownloadProgress* progress) {
    if (!measured_)
        ComputeSize();
    if (!Fits())
        throw std::length_error("zip archive too large for 32-bit sizes");
    if (progress)
        progress->Begin(size_);
    std::vector<char> buffer(ChunkSize);
    for (Entry& entry : entries_) {
        WriteEntry(out, entry, buffer);
        if (progress && !progress->Progress(LocalHeaderSize + entry.name.Length() + entry.size))
            return;
    }
    std::string directory = Directory();
    out.Write(directory.data(), static_cast<int32_t>(directory.size()));
    if (progress) {
        progress->Progress(directory.size());
        progress->End(false);
    }
}

// The CRC pass and the sending pass read the same open file, and must
// agree; the date is the file's as it is sent.
void ZipWriter::WriteEntry(OutputStream& out, Entry& entry, std::vector<char>& buffer) const {
    RegularFile file = OpenRegularFile(entry.path.c_str());
    struct stat info {};
    if (!file.fd.IsOpen() || ::fstat(file.fd.Get(), &info) != 0 ||
        static_cast<uint64_t>(file.size) != entry.size)
        throw ZipFileChanged(entry.name);
    entry.dosTime = DosTime(info);
    entry.crc = ReadPass(file.fd.Get(), entry.name, entry.size, buffer, nullptr);
    std::string header;
    Put32(header, 0x04034b50);
    PutCommon(header, entry.dosTime, entry.crc, entry.size, entry.name);
    Put16(header, 0); // extra length
    header += entry.name.View();
    out.Write(header.data(), static_cast<int32_t>(header.size()));
    if (ReadPass(file.fd.Get(), entry.name, entry.size, buffer, &out) != entry.crc)
        throw ZipFileChanged(entry.name);
}

// The central directory and the end record with the comment.
std::string ZipWriter::Directory() const {
    std::string out;
    uint32_t offset = 0, names = 0;
    for (const Entry& entry : entries_) {
        Put32(out, 0x02014b50);
        Put16(out, VersionNeeded); // made by
        PutCommon(out, entry.dosTime, entry.crc, entry.size, entry.name);
        Put16(out, 0); // extra length
        Put16(out, 0); // comment length
        Put16(out, 0); // disk
        Put16(out, 0); // internal attributes
        Put32(out, 0); // external attributes
        Put32(out, offset);
        out += entry.name.View();
        offset += LocalHeaderSize + static_cast<uint32_t>(entry.name.Length() + entry.size);
        names += static_cast<uint32_t>(entry.name.Length());
    }
    auto count = static_cast<uint32_t>(entries_.size());
    Put32(out, 0x06054b50);
    Put16(out, 0); // this disk
    Put16(out, 0); // the directory's disk
    Put16(out, count);
    Put16(out, count);
    Put32(out, CentralHeaderSize * count + names);
    Put32(out, offset);
    Put16(out, static_cast<uint32_t>(comment_.Length()));
    out += comment_.View();
    return out;
}

} // namespace tb
