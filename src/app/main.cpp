#include "app/FrontEnd.h"
#include "core/Version.h"
#include "shell/CommandLine.h"
#include "shell/ConfigCommand.h"
#include "shell/ProgramData.h"

#include <cstdio>
#include <signal.h>
#include <stdexcept>
#include <string>

int main(int argc, char** argv) {
    // A client or terminal that goes away must not kill the server.
    signal(SIGPIPE, SIG_IGN);
    if (argc > 1 && std::string(argv[1]) == "config")
        return tb::RunConfigCommand(argc, argv);
    tb::CommandLine options;
    try {
        options = tb::CommandLine::Parse(argc, argv);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "tunebridge: %s\n%s", e.what(), tb::CommandLine::Usage());
        return 2;
    }
    if (options.help) {
        std::fputs(tb::CommandLine::Usage(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("Tune Bridge " TUNEBRIDGE_VERSION_TEXT);
        return 0;
    }
    options.dataDir = tb::ProgramDataFolder(options.dataDir);
    return tb::RunFrontEnd(options);
}
