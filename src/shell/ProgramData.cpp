#include "shell/ProgramData.h"

#include "core/Path.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {

String ExecutablePath() {
    char path[PATH_MAX + 1] = {};
    ssize_t n = ::readlink("/proc/self/exe", path, PATH_MAX);
    return n > 0 ? String(path, static_cast<int32_t>(n)) : String("tunebridge");
}

String ProgramDataFolder(const String& given) {
    if (!given.IsEmpty())
        return given;
    String binary = ExecutablePath();
    if (!binary.StartsWith("/"))
        return String();
    std::string candidate(ParentPath(binary.View()));
    candidate += "/" TUNEBRIDGE_DATA_FROM_BINARY;
    struct stat info;
    if (stat((candidate + "/skins").c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return String();
    // Resolved, so that logs and desktop entries show a plain path.
    char* resolved = realpath(candidate.c_str(), nullptr);
    if (!resolved)
        return String();
    String folder(resolved);
    std::free(resolved);
    return folder;
}

} // namespace tb
