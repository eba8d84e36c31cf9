#pragma once

#include "core/String.h"

namespace tb {

// The text with &, <, > and " replaced by their character references, for
// values from file names, tags or requests placed into HTML. Shares the
// input's buffer when nothing needs escaping.
String HtmlEscape(const String& text);

} // namespace tb
