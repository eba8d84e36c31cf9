#include "netservices/EchoSite.h"

#include "core/Exceptions.h"
#include "core/HttpUrl.h"
#include "core/IPAddress.h"

#include <stdexcept>
#include <string>

namespace tb {
namespace {

std::string Unescape(std::string_view text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        switch (text[++i]) {
        case 'r':
            plain += '\r';
            break;
        case 'n':
            plain += '\n';
            break;
        case 's':
            plain += ' ';
            break;
        case '\\':
            plain += '\\';
            break;
        default:
            throw std::invalid_argument("unknown escape \\" + std::string(1, text[i]));
        }
    }
    return plain;
}

} // namespace

std::optional<EchoSite> ParseEchoSite(const String& text) {
    String trimmed = text.Trim();
    std::string_view whole = trimmed.View();
    if (whole.empty())
        return std::nullopt;
    size_t space = whole.find(' ');
    std::string_view url = whole.substr(0, space);
    if (url.size() < 8 || url.substr(0, 7) != "http://")
        throw std::invalid_argument("expected http://host[:port]/path and a marker");
    HttpUrl parts = SplitHttpUrl(String(url));
    if (parts.host.IsEmpty())
        throw std::invalid_argument("the URL names no host");
    std::optional<uint16_t> port = PortOf(parts);
    if (!port)
        throw std::invalid_argument("the port must be a number from 1 to 65535");
    EchoSite site{parts.host, *port, parts.path, String()};
    if (space != std::string_view::npos)
        site.marker = String(Unescape(whole.substr(space + 1)));
    return site;
}

std::optional<uint32_t> AddressAfterMarker(std::string_view answer, std::string_view marker) {
    size_t at = answer.find(marker);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = answer.substr(at + marker.size());
    std::string_view value = rest.substr(0, rest.find_first_not_of("0123456789."));
    if (value.empty())
        return std::nullopt;
    try {
        return IPAddress::FromHost(std::string(value).c_str()).Address();
    } catch (const IPAddressException&) {
        return std::nullopt;
    }
}

} // namespace tb
