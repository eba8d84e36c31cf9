#pragma once

namespace tb {

struct CommandLine;

// The daemon front end: runs the server with its log on standard output
// until SIGINT or SIGTERM, then shuts down in order. Returns the exit code.
int RunHeadless(const CommandLine& options);

} // namespace tb
