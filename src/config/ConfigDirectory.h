#pragma once

#include "core/String.h"

namespace tb {

// The folder that holds the store: `commandLineValue` when not empty, else
// $TUNEBRIDGE_CONFIG_DIR, else $XDG_CONFIG_HOME/tunebridge (an absolute
// XDG_CONFIG_HOME only, as the XDG rules require), else
// $HOME/.config/tunebridge (the password database's home folder when HOME is
// unset). Empty variables count as unset. Throws RegistryException
// (PathNotFound) when no home folder can be found.
String ConfigDirectory(const String& commandLineValue);

// The user's settings folder: $XDG_CONFIG_HOME when absolute, else
// $HOME/.config. Throws as HomeDirectory does.
String ConfigHome();

// $HOME, else the user's home folder from the password database. Throws
// RegistryException when there is neither.
String HomeDirectory();

} // namespace tb
