#include "web/TemplateText.h"

#include "core/HtmlEscape.h"
#include "core/TextEncoding.h"

namespace tb {

String PageText(const String& text) {
    return HtmlEscape(AsUtf8(text));
}

// The literal's escapes first; the markup characters, the quotation mark
// among them, then as character references, which the browser undoes
// before the script sees the text.
String QuoteForScript(const String& text) {
    String literal;
    for (char c : text.View()) {
        switch (c) {
        case '\'':
        case '\\':
            literal += '\\';
            literal += c;
            break;
        case '\n':
            literal += "\\n";
            break;
        case '\r':
            literal += "\\r";
            break;
        default:
            literal += c;
        }
    }
    return HtmlEscape(literal);
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
