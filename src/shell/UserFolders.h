#pragma once

#include "core/String.h"

namespace tb {

// The user's folders as the desktop names them (`xdg-user-dir`), else the
// usual folder below the home folder.
String MusicFolder();   // else ~/Music
String DesktopFolder(); // else ~/Desktop
String HomeFolder();
// Where the desktop looks for programs to start at login.
String AutostartFolder(); // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart

} // namespace tb
