#include "core/HtmlEscape.h"

namespace tb {

String HtmlEscape(const String& text) {
    const char* s = text.c_str();
    int32_t n = text.Length();
    int32_t first = 0;
    while (first < n && s[first] != '&' && s[first] != '<' && s[first] != '>' && s[first] != '"')
        ++first;
    if (first == n)
        return text;
    String out(s, first);
    for (int32_t i = first; i < n; ++i) {
        switch (s[i]) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += s[i];
        }
    }
    return out;
}

} // namespace tb
