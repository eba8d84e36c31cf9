#include "app/FrontEnd.h"
#include "shell/HeadlessServer.h"

namespace tb {

// Built without the desktop front end: every start is headless.
int RunFrontEnd(const CommandLine& options) {
    return RunHeadless(options);
}

} // namespace tb
