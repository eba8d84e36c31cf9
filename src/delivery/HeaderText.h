#pragma once

#include "core/String.h"

namespace tb {

// A tag text or file name made safe for an answer header line: control
// characters (CR and LF above all) become spaces, so that a song's tags can
// never add header lines of their own.
String HeaderText(const String& text);

} // namespace tb
