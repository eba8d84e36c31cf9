#pragma once

#include "core/String.h"

#include <cstdint>
#include <vector>

namespace tb {

struct CommandLine;

// How a desktop entry starts this program: its binary with its arguments,
// in the program's folder (where the skins are).
struct ProgramLauncher {
    String executable;
    std::vector<String> arguments;
    String workingFolder;
    String description;
};

// The running program, started again with the same store and data folder.
ProgramLauncher LauncherOf(const CommandLine& options, const String& description);

// The first start's desktop shortcuts, as XDG desktop entries: one that
// starts the program and one that opens the web interface. An existing file
// is replaced. Both throw std::system_error when the file cannot be written.
void WriteProgramShortcut(const String& desktopFolder, const ProgramLauncher& launcher);
void WriteWebShortcut(const String& desktopFolder, uint16_t port, const String& description);

// Starting at login: the entry "tunebridge.desktop" in the autostart folder.
// SetStartAtLogin writes it (replacing an older one) or removes it; it
// throws std::system_error when that fails.
bool StartsAtLogin();
void SetStartAtLogin(bool on, const ProgramLauncher& launcher);

// One argument as the Exec key of a desktop entry needs it: quoted when it
// holds reserved characters, "%" doubled, and escaped for the entry's
// string type.
String QuoteExecArgument(const String& argument);

} // namespace tb
