#include "covers/NameNormalizer.h"

#include "core/NoCase.h"

#include <algorithm>
#include <string_view>

namespace tb {
namespace {

using Text = std::string_view;

// Album remarks in the order they are tried; "live" may carry a number.
constexpr struct {
    const char* word;
    bool number;
} Qualifiers[] = {
    {"box set", false},
    {"cd single", false},
    {"single", false},
    {"promo cd single", false},
    {"maxicd", false},
    {"maxi cd", false},
    {"limited edition", false},
    {"emi 100 special edition", false},
    {"special edition", false},
    {"fan edition", false},
    {"remastered", false},
    {"reissue", false},
    {"retail", false},
    {"bonus disc", false},
    {"bootleg", false},
    {"the best of", false},
    {"the very best of", false},
    {"greatest hits", false},
    {"japan", false},
    {"uk", false},
    {"the platinum collection", false},
    {"music from the motion picture", false},
    {"from the motion picture", false},
    {"soundtrack", false},
    {"live", true},
};

bool IsOpening(char c) {
    return c == '(' || c == '[';
}
char ClosingOf(char opening) {
    return opening == '(' ? ')' : ']';
}
bool IsDigit(Text t, size_t i) {
    return i < t.size() && t[i] >= '0' && t[i] <= '9';
}
bool Is(Text t, size_t i, char c) {
    return i < t.size() && t[i] == c;
}
size_t SkipSpaces(Text t, size_t i) {
    while (Is(t, i, ' '))
        ++i;
    return i;
}
size_t SkipSpacesBack(Text t, size_t i) {
    while (i > 0 && t[i - 1] == ' ')
        --i;
    return i;
}
size_t StepOver(Text t, size_t i, char c) {
    return Is(t, i, c) ? i + 1 : i;
}
// The text before a removed part, trimmed, a space, and the text after it.
String Join(Text head, Text rest) {
    return String(head).Trim() + " " + String(rest);
}

// The first "-(", "- (", "-[", "- [" or opening bracket; npos if none.
size_t FirstRemark(Text t) {
    for (size_t i = 0; i < t.size(); ++i) {
        if (IsOpening(t[i]))
            return i;
        size_t after = t[i] == '-' ? (Is(t, i + 1, ' ') ? i + 2 : i + 1) : t.size();
        if (after < t.size() && IsOpening(t[after]))
            return i;
    }
    return Text::npos;
}

// The digits (and the date around them) of a year from 1900 to 2200 at
// `i`; the position after them, or npos.
size_t YearEnd(Text t, size_t i) {
    auto twoDigitsAndDash = [&](size_t at) {
        return IsDigit(t, at) && IsDigit(t, at + 1) && Is(t, at + 2, '-');
    };
    if (twoDigitsAndDash(i) && twoDigitsAndDash(i + 3))
        i += 6;
    int year = 0;
    for (size_t k = i; k < i + 4; ++k) {
        if (!IsDigit(t, k))
            return Text::npos;
        year = year * 10 + (t[k] - '0');
    }
    if (year < 1900 || year > 2200)
        return Text::npos;
    i += 4;
    if (Is(t, i, '-') && IsDigit(t, i + 1) && IsDigit(t, i + 2) && Is(t, i + 3, '-') &&
        IsDigit(t, i + 4) && IsDigit(t, i + 5))
        i += 6;
    return i;
}

// The rest after "X -" or "(X) -" at the start of the text, where `part`
// tells the length of X at a position (npos: no X there); the text itself
// when the pattern is not there.
template <typename Part> String StripLeading(const String& text, Part part) {
    Text t = text.View();
    char opening = !t.empty() && IsOpening(t[0]) ? t[0] : 0;
    size_t i = opening ? 1 : 0;
    size_t length = part(t, i);
    if (length == Text::npos)
        return text;
    i += length;
    if (opening) {
        if (!Is(t, i, ClosingOf(opening)))
            return text;
        ++i;
    }
    i = SkipSpaces(t, i);
    return Is(t, i, '-') ? String(t.substr(i + 1)) : text;
}

} // namespace

String NormalizeArtist(const String& artist) {
    String text = artist.ReplaceAll("_", " ").Trim();
    Text t = text.View();
    size_t comma = t.find(',');
    if (comma == Text::npos || t.find(',', comma + 1) != Text::npos)
        return text;
    return (String(t.substr(comma + 1)) + " " + String(t.substr(0, comma))).Trim();
}

String NormalizeAlbum(const String& album, const String& artist) {
    String text = album.ReplaceAll("_", " ").Trim();
    if (text.IsEmpty())
        return text;
    for (const auto& qualifier : Qualifiers)
        text = RemoveQualifier(text, qualifier.word, qualifier.number);
    text = RemoveDiscNumber(text);
    text = RemoveQualifier(text, artist, false);
    text = StripLeadingName(text, artist);
    text = RemoveYear(text);
    text = StripLeadingTrackNumber(text);
    text = RemoveQualifier(text, "", false);
    return text.Trim();
}

String RemoveQualifier(const String& text, const String& word, bool allowNumber) {
    Text t = text.View();
    size_t p = FirstRemark(t);
    if (p == Text::npos)
        return text;
    size_t i = SkipSpaces(t, StepOver(t, p, '-'));
    char opening = t[i];
    i = SkipSpaces(t, i + 1);
    if (!word.IsEmpty()) {
        if (!StartsWithNoCase(t, i, word.View()))
            return text;
        i = SkipSpaces(t, i + static_cast<size_t>(word.Length()));
    }
    if (allowNumber && IsDigit(t, i))
        i = SkipSpaces(t, i + 1);
    if (!Is(t, i, ClosingOf(opening)))
        return text;
    i = StepOver(t, SkipSpaces(t, i + 1), '-');
    return Join(t.substr(0, p), t.substr(i));
}

String RemoveDiscNumber(const String& text) {
    Text t = text.View();
    size_t q = 0;
    while (q < t.size() && !StartsWithNoCase(t, q, "cd") && !StartsWithNoCase(t, q, "disc"))
        ++q;
    if (q == t.size())
        return text;
    size_t head = SkipSpacesBack(t, q);
    if (head > 0 && IsOpening(t[head - 1]))
        head = SkipSpacesBack(t, head - 1);
    if (head > 0 && t[head - 1] == '-')
        --head;
    head = SkipSpacesBack(t, head);

    size_t i = SkipSpaces(t, StepOver(t, SkipSpaces(t, head), '-'));
    char opening = 0;
    if (i < t.size() && IsOpening(t[i]))
        opening = t[i++];
    i = std::min(t.size(), i + ((i < t.size() && (t[i] == 'c' || t[i] == 'C')) ? 2 : 4));
    i = SkipSpaces(t, i);
    i = SkipSpaces(t, IsDigit(t, i) ? i + 1 : i);
    if (StartsWithNoCase(t, i, "of")) {
        i = SkipSpaces(t, i + 2);
        i = SkipSpaces(t, IsDigit(t, i) ? i + 1 : i);
    }
    if (opening) {
        if (!Is(t, i, ClosingOf(opening)))
            return text;
        ++i;
    }
    i = SkipSpaces(t, StepOver(t, SkipSpaces(t, i), '-'));
    return Join(t.substr(0, head), t.substr(i));
}

String StripLeadingName(const String& text, const String& name) {
    return StripLeading(text, [&name](Text t, size_t i) {
        return StartsWithNoCase(t, i, name.View()) ? static_cast<size_t>(name.Length())
                                                   : Text::npos;
    });
}

String RemoveYear(const String& text) {
    Text t = text.View();
    for (size_t start = 0; start < t.size(); ++start) {
        size_t i = SkipSpaces(t, StepOver(t, SkipSpaces(t, start), '-'));
        char opening = 0;
        if (i < t.size() && IsOpening(t[i]))
            opening = t[i++];
        i = YearEnd(t, i);
        if (i == Text::npos)
            continue;
        if (opening) {
            if (!Is(t, i, ClosingOf(opening)))
                continue;
            ++i;
        }
        i = StepOver(t, SkipSpaces(t, i), '-');
        return Join(t.substr(0, start), t.substr(i));
    }
    return text;
}

String StripLeadingTrackNumber(const String& text) {
    return StripLeading(text, [](Text t, size_t i) {
        if (!IsDigit(t, i))
            return Text::npos;
        return IsDigit(t, i + 1) ? size_t{2} : size_t{1};
    });
}

} // namespace tb
