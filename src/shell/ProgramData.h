#pragma once

#include "core/String.h"

namespace tb {

// The folder holding the program's skins/ and help/: `given` when set
// (--data-dir); else, for an installed program, the data folder beside its
// binary (bin/../share/tunebridge) when that holds skins/; else empty, the
// working directory, which is where a program run from the source tree
// finds them.
String ProgramDataFolder(const String& given);

// The running program's executable, absolute; "tunebridge" when the system
// does not say.
String ExecutablePath();

} // namespace tb
