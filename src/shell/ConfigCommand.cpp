#include "shell/ConfigCommand.h"

#include "config/ConfigDirectory.h"
#include "config/RegistryStore.h"
#include "shell/ConfigCommands.h"
#include "shell/StoredLists.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace tb {
namespace {

const char* Usage() {
    return "usage: tunebridge config [--config-dir DIR] COMMAND\n"
           "  list                       all settings and their values\n"
           "  get KEY                    one setting, e.g. General/Name\n"
           "  set KEY VALUE              change a setting (flags take 0 or 1)\n"
           "  share list\n"
           "  share add NAME PATH [--description TEXT] [--covers]\n"
           "  share remove NAME\n"
           "  user list\n"
           "  user add ID [--name NAME] [--password PASS|-] [--address A.B.C.D] [--disallow]\n"
           "                             (--password - reads it from standard input)\n"
           "  user remove ID\n"
           "  station list\n"
           "  station add NAME URL... [--genre G] [--provider P] [--description D]\n"
           "                             [--quick] [--direct]   (at most 8 URLs)\n"
           "  station remove NAME\n"
           "  station import FILE.pls...  one station per playlist file\n"
           "A running server takes up changed shares, stations, users, MP3/ settings and\n"
           "the web skin at its next reindex (SIGHUP) and other changes at its next start.\n";
}

} // namespace

int RunConfigCommand(int argc, const char* const* argv) {
    try {
        ParsedOptions parsed = ParseOptions(std::vector<std::string>(argv + 2, argv + argc),
                                            {{"--config-dir"}, {}, true});
        const std::vector<std::string>& words = parsed.positional;
        const std::string* configDir = parsed.Find("--config-dir");
        if (words.empty() || words[0] == "--help" || words[0] == "-h") {
            std::fputs(Usage(), words.empty() ? stderr : stdout);
            return words.empty() ? 2 : 0;
        }
        auto store =
            RegistryStore::Open(ConfigDirectory(configDir ? String(*configDir) : String()));
        RegisterStoredTypes();
        ConfigCommands commands(*store);
        commands.Run(words);
        return 0;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tunebridge config: %s\n%s", e.what(), Usage());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunebridge config: %s\n", e.what());
        return 1;
    }
}

} // namespace tb
