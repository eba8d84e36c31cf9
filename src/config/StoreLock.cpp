#include "config/StoreLock.h"

#include "config/PrivateFiles.h"
#include "core/Path.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/file.h>

namespace tb {

StoreLock::StoreLock(const String& configDirectory) {
    CreatePrivateDirectory(configDirectory);
    String path = JoinPath(configDirectory, FileName);
    file_.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (file_.IsOpen() && ::flock(file_.Get(), LOCK_EX | LOCK_NB) == 0)
        return;
    if (errno == EWOULDBLOCK)
        throw Busy("another Tune Bridge server uses the configuration folder " +
                   std::string(configDirectory.View()));
    throw std::runtime_error("cannot lock " + std::string(path.View()) + ": " + strerror(errno));
}

} // namespace tb
