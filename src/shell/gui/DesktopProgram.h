#pragma once

namespace tb {

struct CommandLine;

// The tray program: one per store, its main window and tray icon, the
// server, the index built with a progress dialog, the message loop, and
// the ordered shutdown after "Unload & exit". Returns the exit code: 1 when
// another instance runs on the same store (it is asked to show its
// window) or the store cannot be used.
int RunDesktop(const CommandLine& options);

} // namespace tb
