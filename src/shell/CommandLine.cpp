#include "shell/CommandLine.h"

#include "core/Exceptions.h"
#include "shell/OptionParser.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace tb {
namespace {

uint16_t ParsePort(const char* text) {
    char* end = nullptr;
    errno = 0;
    unsigned long value = std::strtoul(text, &end, 10);
    if (!*text || *end || errno || value > 65535 || text[0] == '-' || text[0] == '+')
        throw UsageError(std::string("invalid port: ") + text);
    return static_cast<uint16_t>(value);
}

} // namespace

const char* CommandLine::Usage() {
    return "usage: tunebridge [--headless] [--port N] [--bind ADDRESS] [--config-dir DIR]\n"
           "                  [--data-dir DIR] [--share PATH] [--user ID:PASSWORD]\n"
           "       tunebridge config [--config-dir DIR] COMMAND ...   (see tunebridge config "
           "--help)\n"
           "  --headless          run without the desktop interface, logging to standard output\n"
           "  --port N            listen on port N (0 picks a free port); not stored\n"
           "  --bind ADDRESS      listen on this IPv4 address only; not stored\n"
           "  --config-dir DIR    keep the settings store in DIR\n"
           "  --data-dir DIR      look for the web skins and help in DIR (default: the\n"
           "                      installed ../share/tunebridge beside the program, else\n"
           "                      the working directory)\n"
           "  --share PATH        first start only: share this folder as \"My music\"\n"
           "  --user ID:PASSWORD  first start only: the web user to create\n"
           "  --version           print the version and exit\n"
           "SIGHUP makes a running server reload its shares, users and web skin and rebuild\n"
           "the index.\n";
}

CommandLine CommandLine::Parse(int argc, const char* const* argv) {
    ParsedOptions parsed =
        ParseOptions(std::vector<std::string>(argv + 1, argv + argc),
                     {{"--port", "--bind", "--config-dir", "--data-dir", "--share", "--user"},
                      {"--headless", "--help", "-h", "--version"}});
    if (!parsed.positional.empty())
        throw UsageError("unexpected argument: " + parsed.positional.front());
    CommandLine options;
    options.headless = parsed.Has("--headless");
    options.help = parsed.Has("--help") || parsed.Has("-h");
    options.version = parsed.Has("--version");
    if (const std::string* port = parsed.Find("--port"))
        options.port = ParsePort(port->c_str());
    if (const std::string* bind = parsed.Find("--bind")) {
        try {
            options.bindAddress = IPAddress::FromHost(bind->c_str());
        } catch (const IPAddressException&) {
            throw UsageError("invalid IPv4 address: " + *bind);
        }
    }
    if (const std::string* configDir = parsed.Find("--config-dir"))
        options.configDir = String(*configDir);
    if (const std::string* dataDir = parsed.Find("--data-dir"))
        options.dataDir = String(*dataDir);
    if (const std::string* share = parsed.Find("--share"))
        options.share = String(*share);
    if (const std::string* user = parsed.Find("--user")) {
        size_t colon = user->find(':');
        if (colon == 0 || colon == std::string::npos || colon + 1 == user->size())
            throw UsageError("--user needs ID:PASSWORD");
        options.userId = String(user->substr(0, colon));
        options.password = String(user->substr(colon + 1));
    }
    return options;
}

} // namespace tb
