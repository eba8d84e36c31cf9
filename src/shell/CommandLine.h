#pragma once

#include "core/IPAddress.h"
#include "core/String.h"

#include <optional>

namespace tb {

// The options of the tunebridge executable.
struct CommandLine {
    bool headless = false;
    bool help = false;
    bool version = false;
    std::optional<uint16_t> port;
    std::optional<IPAddress> bindAddress;
    String configDir;
    // The program's folder: skins/ and help/ are looked for below it. Empty:
    // the working directory. main() fills in an installed program's folder.
    String dataDir;
    // Used by the first start of a new installation only.
    String share;
    String userId;
    String password;

    // Throws UsageError (a std::invalid_argument) with a one-line message
    // for a bad option.
    static CommandLine Parse(int argc, const char* const* argv);
    static const char* Usage();
};

} // namespace tb
