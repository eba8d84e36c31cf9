#pragma once

#include "core/String.h"
#include "server/HttpRequest.h"

#include <string_view>

namespace tb {

// What a GET request says, read by the small fixed rules of the protocol:
// the target, the protocol version and seven header fields. Never throws
// for any input.
struct ParsedGetRequest {
    HttpRequest request;     // path and header fields filled
    bool isPing = false;     // target is exactly "/ping"; nothing else is parsed then
    bool persistent = false; // HTTP/1.1 or "Connection: Keep-Alive", unless "Connection: close"
    bool fromDevice = false; // User-Agent begins with "Streamium"
};

// `text` is one request starting with "GET " (case-insensitive).
ParsedGetRequest ParseGetRequest(std::string_view text);

// Decodes "%xx" escapes; an escape that is not two hexadecimal digits stays
// as it is. The result holds at most MaxDecodedLength characters.
constexpr int32_t MaxDecodedLength = 1999;
String DecodePercent(std::string_view text);

// The value of query parameter `name` anywhere in `text` (not anchored to a
// parameter start): after "name=" up to "&", a space, CR, LF or the end.
String GetParam(const char* name, std::string_view text);

// "http://" + the Host header value + "/", or empty without a Host line.
String BaseUrl(std::string_view requestText);

} // namespace tb
