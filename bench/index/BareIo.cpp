// The floor of an index build: the same system calls the build makes for a
// folder tree, with nothing kept. It walks the tree with opendir/readdir
// (d_type, plus the fstatat the scan makes for each sub-folder) and, for
// every "*.mp3" file, makes the reads of the MP3 analysis:
//   open, fstat, read 10 bytes at 0;
//   with an ID3v2.2/2.3 tag: read the tag body (size from the header),
//   otherwise: read the last 128 bytes (the ID3v1 tag);
//   read one 1800-byte chunk where the audio starts; close.
// (The analysis reads further chunks only when the first holds no frame
// pair, which does not happen with ordinary files.)
//
// Usage: bare_io [--always-id3v1] FOLDER
//   --always-id3v1  read the last 128 bytes of every file, tag or not
// Prints one line of name=value pairs: files, folders, seconds, files_per_s,
// cpu_seconds (user + system time of the walk).
#include "CpuTime.h"

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tb {
namespace {

constexpr size_t HeaderSize = 10;
constexpr size_t Id3v1Size = 128;
constexpr size_t ChunkSize = 1800;

struct Walk {
    bool alwaysId3v1 = false;
    uint64_t files = 0;
    uint64_t folders = 0;
    uint64_t checksum = 0; // keeps the reads' results in use
    std::vector<uint8_t> tag;
};

bool IsMp3Name(const char* name) {
    size_t length = strlen(name);
    return length >= 4 && strcasecmp(name + length - 4, ".mp3") == 0;
}

bool ReadExactly(int fd, void* buffer, size_t n, uint64_t offset) {
    ssize_t got;
    do
        got = pread(fd, buffer, n, static_cast<off_t>(offset));
    while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(n);
}

uint32_t SyncsafeNumber(const uint8_t* bytes) {
    return uint32_t{bytes[0] & 0x7Fu} << 21 | uint32_t{bytes[1] & 0x7Fu} << 14 |
           uint32_t{bytes[2] & 0x7Fu} << 7 | (bytes[3] & 0x7Fu);
}

// The body of a readable ID3v2.2/2.3 tag; returns where the audio starts,
// or 0 when there is no such tag.
uint64_t ReadId3v2(int fd, uint64_t fileSize, Walk& walk) {
    uint8_t header[HeaderSize];
    if (!ReadExactly(fd, header, sizeof header, 0) || memcmp(header, "ID3", 3) != 0)
        return 0;
    if ((header[3] != 2 && header[3] != 3) || (header[5] & 0x0F) != 0)
        return 0;
    uint32_t size = SyncsafeNumber(header + 6);
    if (fileSize - HeaderSize < size)
        return 0;
    if (walk.tag.size() < size)
        walk.tag.resize(size);
    if (!ReadExactly(fd, walk.tag.data(), size, HeaderSize))
        return 0;
    walk.checksum += size > 0 ? walk.tag[0] : 0;
    return HeaderSize + size;
}

void ReadSong(const char* path, Walk& walk) {
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        uint64_t size = static_cast<uint64_t>(info.st_size);
        uint64_t audioStart = ReadId3v2(fd, size, walk);
        uint8_t buffer[ChunkSize];
        if ((audioStart == 0 || walk.alwaysId3v1) && size >= Id3v1Size &&
            ReadExactly(fd, buffer, Id3v1Size, size - Id3v1Size))
            walk.checksum += buffer[0];
        size_t chunk = size < ChunkSize ? static_cast<size_t>(size) : ChunkSize;
        if (ReadExactly(fd, buffer, chunk, audioStart) && chunk > 0)
            walk.checksum += buffer[0];
        ++walk.files;
    }
    close(fd);
}

bool IsDirectory(int dirFd, const dirent* entry) {
    unsigned char type = entry->d_type;
    if (type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN)
        return false;
    struct stat info;
    return fstatat(dirFd, entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

// `path` holds `length` characters and has room for PATH_MAX.
void WalkFolder(char* path, size_t length, Walk& walk) {
    DIR* dir = opendir(path);
    if (!dir)
        return;
    ++walk.folders;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.')
            continue;
        size_t nameLength = strlen(name);
        if (length + 1 + nameLength >= PATH_MAX)
            continue;
        path[length] = '/';
        memcpy(path + length + 1, name, nameLength + 1);
        if (IsDirectory(dirfd(dir), entry))
            WalkFolder(path, length + 1 + nameLength, walk);
        else if (IsMp3Name(name) && (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN))
            ReadSong(path, walk);
        path[length] = 0;
    }
    closedir(dir);
}

// The folder argument, or null when the arguments are not understood.
const char* ParseArguments(int argc, char** argv, Walk& walk) {
    const char* folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--always-id3v1") == 0)
            walk.alwaysId3v1 = true;
        else if (argv[i][0] != '-' && !folder)
            folder = argv[i];
        else
            return nullptr;
    }
    return folder && strlen(folder) < PATH_MAX ? folder : nullptr;
}

} // namespace
} // namespace tb

int main(int argc, char** argv) {
    tb::Walk walk;
    const char* folder = tb::ParseArguments(argc, argv, walk);
    if (!folder) {
        fprintf(stderr, "usage: bare_io [--always-id3v1] FOLDER\n");
        return 2;
    }
    static char path[PATH_MAX];
    strcpy(path, folder);
    double cpuStart = tb::CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    tb::WalkFolder(path, strlen(path), walk);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpu = tb::CpuSeconds() - cpuStart;
    printf("files=%" PRIu64 " folders=%" PRIu64 " seconds=%.4f files_per_s=%.0f cpu_seconds=%.4f"
           " checksum=%" PRIu64 "\n",
           walk.files, walk.folders, seconds, seconds > 0 ? walk.files / seconds : 0.0, cpu,
           walk.checksum);
    return walk.files > 0 ? 0 : 1;
}
