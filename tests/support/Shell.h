#pragma once

#include <string>

namespace tb::test {

// `text` in single quotes, safe as one word for /bin/sh.
std::string ShellQuote(const std::string& text);

struct CommandResult {
    int status = -1; // the exit status; -1 when it did not exit normally
    std::string output;
};
// Runs `command` with /bin/sh and collects its standard output (append
// "2>&1" to collect its errors as well).
CommandResult RunCommand(const std::string& command);

} // namespace tb::test
