#include "web/TemplateText.h"

#include "core/HtmlEscape.h"
#include "core/TextEncoding.h"

namespace tb {

String PageText(const String& text) {
    return HtmlEscape(AsUtf8(text));
}

String QuoteForScript(const String& text) {
    String out;
    for (char c : text.View()) {
        switch (c) {
        case '\'':
            out += "\\'";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '"':
            out += "&quot;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

String FormatDuration(int32_t seconds) {
    if (seconds <= 0)
        return "0:00";
    int32_t hours = seconds / 3600;
    int32_t minutes = seconds / 60 - hours * 60;
    int32_t rest = seconds % 60;
    if (hours == 0)
        return String::Format("%d:%02d", minutes, rest);
    return String::Format("%d:%02d:%02d", hours, minutes, rest);
}

} // namespace tb
