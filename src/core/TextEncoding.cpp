#include "core/TextEncoding.h"

#include <cstdint>

namespace tb {
namespace {

// Windows-1252 at 0x80-0x9F; 0 where the code page has no character (those
// bytes are then read as Latin-1 control characters).
constexpr uint16_t Windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Length of the valid UTF-8 sequence at `s`, or 0.
int SequenceLength(const unsigned char* s, const unsigned char* end) {
    unsigned char lead = s[0];
    if (lead < 0x80)
        return 1;
    int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                 : (lead & 0xF0) == 0xE0        ? 3
                 : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                : 0;
    if (length == 0 || end - s < length)
        return 0;
    for (int i = 1; i < length; ++i)
        if ((s[i] & 0xC0) != 0x80)
            return 0;
    // No overlong three-byte forms, no surrogates, nothing past U+10FFFF.
    if ((lead == 0xE0 && s[1] < 0xA0) || (lead == 0xED && s[1] >= 0xA0) ||
        (lead == 0xF0 && s[1] < 0x90) || (lead == 0xF4 && s[1] >= 0x90))
        return 0;
    return length;
}

bool IsUtf8(const String& text) {
    auto s = reinterpret_cast<const unsigned char*>(text.c_str());
    const unsigned char* end = s + text.Length();
    while (s < end) {
        int length = SequenceLength(s, end);
        if (length == 0)
            return false;
        s += length;
    }
    return true;
}

void AppendCodePoint(String& out, uint32_t c) {
    char bytes[3];
    int n = 0;
    if (c < 0x80) {
        bytes[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
        bytes[n++] = static_cast<char>(0xC0 | c >> 6);
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes[n++] = static_cast<char>(0xE0 | c >> 12);
        bytes[n++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.Append(bytes, n);
}

} // namespace

String AsUtf8(const String& text) {
    if (IsUtf8(text))
        return text;
    String out;
    for (int32_t i = 0; i < text.Length(); ++i) {
        auto byte = static_cast<unsigned char>(text.At(i));
        uint32_t c = byte;
        if (byte >= 0x80 && byte < 0xA0 && Windows1252High[byte - 0x80] != 0)
            c = Windows1252High[byte - 0x80];
        AppendCodePoint(out, c);
    }
    return out;
}

} // namespace tb
