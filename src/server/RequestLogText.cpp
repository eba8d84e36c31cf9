#include "server/RequestLogText.h"

#include "core/Hex.h"

#include <strings.h>

namespace tb {
namespace {

constexpr std::string_view Authorization = "Authorization:";

// The part of an Authorization line that stays: the name and the scheme.
size_t ShownPartOfCredentials(std::string_view line) {
    size_t scheme = line.find_first_not_of(' ', Authorization.size());
    if (scheme == std::string_view::npos)
        return line.size();
    size_t space = line.find(' ', scheme);
    return space == std::string_view::npos ? scheme : space + 1;
}

void AppendEscaped(String& out, std::string_view text) {
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        char escape[4] = {'\\', 'x'};
        WriteHex(byte, escape + 2, 2);
        out += String(escape, 4);
    }
}

} // namespace

String RequestLogText(std::string_view request) {
    String out;
    for (size_t start = 0; start < request.size();) {
        size_t end = request.find("\r\n", start);
        std::string_view line = request.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (line.size() >= Authorization.size() &&
            strncasecmp(line.data(), Authorization.data(), Authorization.size()) == 0) {
            AppendEscaped(out, line.substr(0, ShownPartOfCredentials(line)));
            out += "(hidden)";
        } else {
            AppendEscaped(out, line);
        }
        if (end == std::string_view::npos)
            break;
        out += "\r\n";
        start = end + 2;
    }
    return out;
}

} // namespace tb
