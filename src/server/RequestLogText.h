#pragma once

#include "core/String.h"

#include <string_view>

namespace tb {

// A received request as the request log shows it: credentials are hidden
// ("Authorization: Basic (hidden)") and control characters other than the
// CR LF that end lines appear as "\xhh", so that a logged request can
// neither leak a password nor play tricks on a terminal.
String RequestLogText(std::string_view request);

} // namespace tb
