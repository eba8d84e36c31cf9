#pragma once

namespace tb {

struct CommandLine;

// Runs the front end the options and the session ask for; the exit code.
int RunFrontEnd(const CommandLine& options);

} // namespace tb
