#pragma once

#include "core/String.h"

#include <cstdint>
#include <vector>

namespace tb {

// The first start's desktop shortcuts, as XDG desktop entries: one that
// starts the program (with its arguments, in the program's folder, where
// the skins are) and one that opens the web interface. An existing file is
// replaced. Both throw std::system_error when the file cannot be written.
void WriteProgramShortcut(const String& desktopFolder, const String& executable,
                          const std::vector<String>& arguments, const String& workingFolder,
                          const String& description);
void WriteWebShortcut(const String& desktopFolder, uint16_t port, const String& description);

// The running program's executable, absolute.
String ExecutablePath();

// One argument as the Exec key of a desktop entry needs it: quoted when it
// holds reserved characters, "%" doubled, and escaped for the entry's
// string type.
String QuoteExecArgument(const String& argument);

} // namespace tb
