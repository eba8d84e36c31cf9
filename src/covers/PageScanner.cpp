#include "covers/PageScanner.h"

#include "core/NoCase.h"
#include "covers/CrawlerException.h"

namespace tb {
namespace {} // namespace

void PageScanner::SetPage(std::string page) {
    page_ = std::move(page);
    cursor_ = 0;
}

bool PageScanner::Fail(bool must) {
    if (must)
        throw DizerOviziraObjectException();
    return false;
}

size_t PageScanner::Find(std::string_view what, size_t from) const {
    for (size_t at = from; at + what.size() <= page_.size(); ++at)
        if (StartsWithNoCase(page_, at, what))
            return at;
    return std::string::npos;
}

size_t PageScanner::SkipBlanks(size_t from) const {
    while (from < page_.size() && static_cast<unsigned char>(page_[from]) <= 32)
        ++from;
    return from;
}

bool PageScanner::SkipPast(std::string_view marker, bool must) {
    size_t at = Find(marker, cursor_);
    if (at == std::string::npos) {
        cursor_ = page_.size();
        return Fail(must);
    }
    cursor_ = at + marker.size();
    return true;
}

bool PageScanner::SkipTags(int count, bool must) {
    for (int i = 0; i < count; ++i) {
        size_t at = page_.find('>', cursor_);
        if (at == std::string::npos) {
            cursor_ = page_.size();
            return Fail(must);
        }
        cursor_ = at + 1;
    }
    return true;
}

String PageScanner::NextAttribute(std::string_view tag, std::string_view attribute, bool must) {
    std::string opening = "<" + std::string(tag);
    std::string name = " " + std::string(attribute) + "=\"";
    size_t at = Find(opening, cursor_);
    size_t end = at == std::string::npos ? at : page_.find('>', at);
    size_t value = end == std::string::npos ? end : Find(name, at);
    size_t close = value == std::string::npos || value > end ? std::string::npos
                                                             : page_.find('"', value + name.size());
    if (close == std::string::npos) {
        cursor_ = end == std::string::npos ? page_.size() : end + 1;
        Fail(must);
        return String();
    }
    value += name.size();
    size_t after = page_.find('>', close);
    cursor_ = after == std::string::npos ? page_.size() : after + 1;
    return String(std::string_view(page_).substr(value, close - value));
}

bool PageScanner::ExpectText(std::string_view text, bool must) {
    size_t at = SkipBlanks(cursor_);
    if (!StartsWithNoCase(page_, at, text)) {
        cursor_ = at;
        return Fail(must);
    }
    cursor_ = at + text.size();
    return true;
}

bool PageScanner::MatchText(std::string_view text, bool must) {
    if (!ExpectText(text, must))
        return false;
    size_t at = SkipBlanks(cursor_);
    if (at < page_.size() && page_[at] == '<')
        return true;
    cursor_ = at;
    return Fail(must);
}

String UrlEncode(const String& text) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : text.View()) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == ' ') {
            encoded += '+';
        } else if (byte < 0x20 || byte > 0x7F || c == '&' || c == '%' || c == '#' || c == '?') {
            encoded += '%';
            encoded += Digits[byte >> 4];
            encoded += Digits[byte & 15];
        } else {
            encoded += c;
        }
    }
    return String(encoded);
}

} // namespace tb
