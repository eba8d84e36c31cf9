#pragma once

#include "core/String.h"

class QWidget;

namespace tb {

// The program's folder: the data folder given on the command line, else
// the working directory at start.
String ProgramFolder(const String& dataDir);
// Opens the help file (help/TunebridgeHelpEn.html below the program's
// folder) in the desktop's browser, at `topic` when one is given. A missing
// file or a desktop that cannot open it is said in a box.
void OpenHelp(QWidget* parent, const String& dataDir, const char* topic = nullptr);

} // namespace tb
