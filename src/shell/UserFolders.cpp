#include "shell/UserFolders.h"

#include "config/ConfigDirectory.h"
#include "config/RegistryException.h"
#include "core/Path.h"

#include <cstdio>
#include <string>

namespace tb {
namespace {

// What `xdg-user-dir KIND` says, or empty.
String XdgUserFolder(const char* kind) {
    FILE* pipe = popen((std::string("xdg-user-dir ") + kind + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return String();
    char line[4096] = {};
    bool got = fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    String folder = got ? String(line).Trim() : String();
    // Without a configured folder the tool answers the home folder itself.
    return folder == HomeFolder() ? String() : folder;
}

String UserFolder(const char* kind, const char* fallback) {
    String folder = XdgUserFolder(kind);
    return folder.IsEmpty() ? JoinPath(HomeFolder(), fallback) : folder;
}

} // namespace

String HomeFolder() {
    try {
        return HomeDirectory();
    } catch (const RegistryException&) {
        return "/";
    }
}

String AutostartFolder() {
    try {
        return JoinPath(ConfigHome(), "autostart");
    } catch (const RegistryException&) {
        return "/.config/autostart";
    }
}

String MusicFolder() {
    return UserFolder("MUSIC", "Music");
}

String DesktopFolder() {
    return UserFolder("DESKTOP", "Desktop");
}

} // namespace tb
