#include "config/ConfigDirectory.h"

#include "config/RegistryException.h"
#include "core/Path.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace tb {
namespace {

String Environment(const char* name) {
    const char* value = getenv(name);
    return value ? String(value) : String();
}

String PasswordHome() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir)
        return String();
    return String(found->pw_dir);
}

} // namespace

String HomeDirectory() {
    String home = Environment("HOME");
    if (home.IsEmpty())
        home = PasswordHome();
    if (home.IsEmpty())
        throw RegistryException(RegistryException::PathNotFound, "(ConfigDirectory)",
                                "no home folder to keep the settings in");
    return home;
}

String ConfigHome() {
    String xdg = Environment("XDG_CONFIG_HOME");
    return xdg.StartsWith("/") ? xdg : JoinPath(HomeDirectory(), ".config");
}

String ConfigDirectory(const String& commandLineValue) {
    if (!commandLineValue.IsEmpty())
        return commandLineValue;
    String own = Environment("TUNEBRIDGE_CONFIG_DIR");
    if (!own.IsEmpty())
        return own;
    return JoinPath(ConfigHome(), "tunebridge");
}

} // namespace tb
