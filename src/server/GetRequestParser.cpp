#include "server/GetRequestParser.h"

#include "core/Hex.h"
#include "core/LeadingInteger.h"

#include <strings.h>

namespace tb {
namespace {

bool AtNoCase(std::string_view text, size_t pos, std::string_view literal) {
    return text.size() - pos >= literal.size() &&
           strncasecmp(text.data() + pos, literal.data(), literal.size()) == 0;
}

// From `pos` up to CR, LF or the end.
std::string_view RestOfLine(std::string_view text, size_t pos) {
    size_t end = text.find_first_of("\r\n", pos);
    return text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
}

// The header fields the server recognises; each literal begins with the
// CR LF that ends the previous line.
void ApplyHeader(std::string_view text, size_t pos, ParsedGetRequest& out) {
    HttpRequest& r = out.request;
    if (AtNoCase(text, pos, "\r\nUser-Agent:")) {
        size_t v = pos + 13;
        while (v < text.size() && text[v] == ' ')
            ++v;
        out.fromDevice = AtNoCase(text, v, "Streamium");
    } else if (AtNoCase(text, pos, "\r\nRange: bytes=")) {
        r.rangeStart = LeadingInteger(RestOfLine(text, pos + 15));
    } else if (AtNoCase(text, pos, "\r\nAuthorization: Basic ")) {
        r.credentials = String(RestOfLine(text, pos + 23));
    } else if (AtNoCase(text, pos, "\r\nConnection: Keep-Alive")) {
        out.persistent = true;
    } else if (AtNoCase(text, pos, "\r\nConnection: close")) {
        // The client reads the answer to its end: it must get the close.
        out.persistent = false;
    } else if (AtNoCase(text, pos, "\r\nicy-metadata:")) {
        r.wantsMetadata = LeadingInteger(RestOfLine(text, pos + 15)) == 1;
    } else if (AtNoCase(text, pos, "\r\nif-modified-since: ")) {
        r.ifModifiedSince = String(RestOfLine(text, pos + 21));
    } else if (AtNoCase(text, pos, "\r\nif-none-match: ")) {
        std::string_view line = RestOfLine(text, pos + 17);
        size_t open = line.find('"');
        size_t close = open == std::string_view::npos ? open : line.find('"', open + 1);
        if (close != std::string_view::npos)
            r.ifNoneMatch = String(line.substr(open + 1, close - open - 1));
    }
}

} // namespace

String DecodePercent(std::string_view text) {
    String out;
    char* d = out.GetBuffer(MaxDecodedLength);
    int32_t n = 0;
    for (size_t i = 0; i < text.size() && n < MaxDecodedLength; ++i) {
        int high = -1, low = -1;
        if (text[i] == '%' && i + 2 < text.size()) {
            high = HexDigitValue(text[i + 1]);
            low = HexDigitValue(text[i + 2]);
        }
        if (high >= 0 && low >= 0) {
            d[n++] = static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            d[n++] = text[i];
        }
    }
    out.ReleaseBuffer(n);
    return out;
}

String GetParam(const char* name, std::string_view text) {
    std::string_view key(name);
    size_t pos = 0;
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < '!')
        ++pos;
    for (; pos < text.size(); ++pos) {
        if (!AtNoCase(text, pos, key) || pos + key.size() >= text.size() ||
            text[pos + key.size()] != '=')
            continue;
        std::string_view value = text.substr(pos + key.size() + 1);
        return String(value.substr(0, value.find_first_of("& \r\n")));
    }
    return String();
}

String BaseUrl(std::string_view requestText) {
    size_t host = requestText.find("\r\nHost: ");
    if (host == std::string_view::npos)
        return String();
    size_t begin = host + 8;
    size_t end = requestText.find("\r\n", begin);
    if (end == std::string_view::npos)
        return String();
    return "http://" + String(requestText.substr(begin, end - begin)) + "/";
}

ParsedGetRequest ParseGetRequest(std::string_view text) {
    ParsedGetRequest out;
    text = text.substr(0, text.find('\0'));
    size_t pos = text.size() < 4 ? text.size() : 4;
    size_t targetEnd = pos;
    while (targetEnd < text.size() && static_cast<unsigned char>(text[targetEnd]) > ' ')
        ++targetEnd;
    out.request.path = DecodePercent(text.substr(pos, targetEnd - pos));
    if (out.request.path == "/ping") {
        out.isPing = true;
        return out;
    }
    out.request.baseUrl = BaseUrl(text);
    pos = targetEnd;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    out.persistent = AtNoCase(text, pos, "HTTP/1.1");
    size_t headerEnd = text.find("\r\n\r\n", pos);
    size_t end = headerEnd == std::string_view::npos ? text.size() : headerEnd;
    for (; pos < end; ++pos)
        if (text[pos] == '\r')
            ApplyHeader(text, pos, out);
    return out;
}

} // namespace tb
