#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

// A name or tag text as a page shows it: UTF-8, with &, <, > and " written
// as character references.
String PageText(const String& text);

// The text for a JavaScript string literal in apostrophes inside a
// double-quoted HTML attribute: apostrophes and backslashes get a
// backslash, line breaks are written as \n and \r, and &, <, > and " as
// character references, so that neither the attribute nor the literal can
// be left or broken by a tag's text.
String QuoteForScript(const String& text);

// "m:ss", or "h:mm:ss" from one hour on; 0 gives "0:00".
String FormatDuration(int32_t seconds);

} // namespace tb
