#include "config/PrivateFiles.h"

#include "config/RegistryException.h"
#include "core/FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {
namespace {

[[noreturn]] void FailErrno(const String& path, const char* what, int error) {
    int32_t code = error == EACCES || error == EPERM || error == EROFS
                       ? RegistryException::AccessDenied
                       : RegistryException::PathNotFound;
    throw RegistryException(code, path, std::string(what) + " (" + strerror(error) + ")");
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void MakeOne(const String& full, const std::string& path) {
    if (mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && IsDirectory(path)))
        return;
    if (errno == EEXIST)
        throw RegistryException(RegistryException::PathNotFound, full,
                                "\"" + path + "\" is not a folder");
    FailErrno(full, "cannot create the configuration folder", errno);
}

} // namespace

void CreatePrivateDirectory(const String& path) {
    std::string text(path.View());
    for (size_t slash = text.find('/', 1); slash != std::string::npos;
         slash = text.find('/', slash + 1))
        MakeOne(path, text.substr(0, slash));
    MakeOne(path, text);
    if (access(text.c_str(), W_OK | X_OK) != 0)
        FailErrno(path, "the configuration folder cannot be written", errno);
}

void PreparePrivateFile(const String& path) {
    FileDescriptor file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!file.IsOpen())
        FailErrno(path, "the store file cannot be opened for writing", errno);
    struct stat info {};
    if (fstat(file.Get(), &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 077) != 0)
        fchmod(file.Get(), info.st_mode & 0700);
}

} // namespace tb
