#include "shell/HeadlessServer.h"

#include "config/Settings.h"
#include "core/Event.h"
#include "core/SocketRegistry.h"
#include "core/Thread.h"
#include "server/StreamServer.h"
#include "server/UnavailableHandlers.h"
#include "shell/CommandLine.h"
#include "shell/ConsoleLog.h"
#include "shell/SignalWaiter.h"

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace tb {
namespace {

constexpr int32_t ShutdownWaitMilliseconds = 5000;

// Every connection holds a handle; allow as many as the system lets us.
void RaiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

Settings StartupSettings(const CommandLine& options) {
    Settings settings;
    if (options.bindAddress)
        settings.localAddress = IPAddress(options.bindAddress->Address(), settings.localAddress.Port());
    if (options.port)
        settings.localAddress.SetPort(*options.port);
    return settings;
}

} // namespace

int RunHeadless(const CommandLine& options) {
    SignalWaiter signals({SIGINT, SIGTERM});
    RaiseOpenFileLimit();
    LiveSettings settings(StartupSettings(options));
    Event quit;
    ConsoleLog log(stdout, quit);
    UnavailableHandlers handlers;
    StreamServer server(quit, log, settings, handlers);
    StartThread(server);

    signals.Wait();
    log.AddLine("Shutting down.");
    quit.Set();
    SocketRegistry::ShutdownAll();
    if (!WaitForThreads(ShutdownWaitMilliseconds)) {
        std::fprintf(stderr, "tunebridge: %d threads did not end in time\n", RunningThreadCount());
        std::fflush(stdout);
        std::_Exit(1);
    }
    return 0;
}

} // namespace tb
