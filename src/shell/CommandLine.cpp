#include "shell/CommandLine.h"

#include "core/Exceptions.h"

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
        throw std::invalid_argument(std::string("invalid port: ") + text);
    return static_cast<uint16_t>(value);
}

} // namespace

const char* CommandLine::Usage() {
    return "usage: tunebridge [--headless] [--port N] [--bind ADDRESS] [--config-dir DIR]\n"
           "                  [--share PATH] [--user ID:PASSWORD]\n"
           "       tunebridge config [--config-dir DIR] COMMAND ...   (see tunebridge config "
           "--help)\n"
           "  --headless          run without the desktop interface, logging to standard output\n"
           "  --port N            listen on port N (0 picks a free port); not stored\n"
           "  --bind ADDRESS      listen on this IPv4 address only; not stored\n"
           "  --config-dir DIR    keep the settings store in DIR\n"
           "  --share PATH        first start only: share this folder as \"My music\"\n"
           "  --user ID:PASSWORD  first start only: the web user to create\n"
           "  --version           print the version and exit\n"
           "SIGHUP makes a running server reload its shares and rebuild the index.\n";
}

CommandLine CommandLine::Parse(int argc, const char* const* argv) {
    CommandLine options;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                throw std::invalid_argument(option + " needs a value");
            return argv[++i];
        };
        if (option == "--headless")
            options.headless = true;
        else if (option == "--help" || option == "-h")
            options.help = true;
        else if (option == "--version")
            options.version = true;
        else if (option == "--port")
            options.port = ParsePort(value());
        else if (option == "--bind") {
            const char* text = value();
            try {
                options.bindAddress = IPAddress::FromHost(text);
            } catch (const IPAddressException&) {
                throw std::invalid_argument(std::string("invalid IPv4 address: ") + text);
            }
        } else if (option == "--config-dir")
            options.configDir = value();
        else if (option == "--share")
            options.share = value();
        else if (option == "--user") {
            std::string user = value();
            size_t colon = user.find(':');
            if (colon == 0 || colon == std::string::npos || colon + 1 == user.size())
                throw std::invalid_argument("--user needs ID:PASSWORD");
            options.userId = String(user.substr(0, colon));
            options.password = String(user.substr(colon + 1));
        } else
            throw std::invalid_argument("unknown option: " + option);
    }
    return options;
}

} // namespace tb
