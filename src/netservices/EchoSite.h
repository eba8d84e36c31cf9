#pragma once

#include "core/String.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tb {

// A public address-echo site: where to ask, and the text after which its
// answer (status line and header included) carries the caller's address.
struct EchoSite {
    String host;
    uint16_t port = 80;
    String path;
    String marker;
};

// Reads "http://host[:port]/path MARKER": the marker is everything after
// the first space, in which "\r", "\n", "\s" and "\\" stand for a carriage
// return, a line feed, a space and a backslash. Empty (or blank) text is no
// site. Throws std::invalid_argument with a one-line reason.
std::optional<EchoSite> ParseEchoSite(const String& text);

// The address made of the digits and dots that directly follow the first
// `marker` in `answer` (case significant); none when the marker is not
// there, nothing follows it or it does not read as an address.
std::optional<uint32_t> AddressAfterMarker(std::string_view answer, std::string_view marker);

} // namespace tb
