#include "app/FrontEnd.h"
#include "shell/CommandLine.h"
#include "shell/HeadlessServer.h"
#include "shell/gui/DesktopProgram.h"

#include <cstdlib>

namespace tb {
namespace {

// A display to show windows on: X11, Wayland, or a platform named outright
// (the tests' offscreen one).
bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

} // namespace

int RunFrontEnd(const CommandLine& options) {
    if (options.headless || !HasDisplay())
        return RunHeadless(options);
    return RunDesktop(options);
}

} // namespace tb
