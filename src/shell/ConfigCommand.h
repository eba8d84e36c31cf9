#pragma once

namespace tb {

// `tunebridge config ...`: reads and changes the stored settings, shares
// and users without a desktop. Every change is saved as the setup dialogs
// save it and marks the store as installed. Returns the exit status; errors
// are one line on standard error.
int RunConfigCommand(int argc, const char* const* argv);

} // namespace tb
