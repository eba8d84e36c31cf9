#pragma once

#include "core/String.h"

#include <QString>

namespace tb {

// Bytes of the system (file names, tags, log lines) as a person reads them:
// UTF-8 when they are valid UTF-8, else Latin-1 (Windows-1252).
QString ToDisplay(const String& text);
// What a person typed, as the UTF-8 bytes the system stores.
String FromDisplay(const QString& text);

} // namespace tb
