#pragma once

#include <cstdint>
#include <string_view>

namespace tb {

// The value of one hexadecimal digit in either case, or -1.
constexpr int HexDigitValue(char c) noexcept {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

// Reads all of `digits` (1 to 8 hexadecimal digits, either case) into
// `value`; false, with `value` untouched, for anything else.
constexpr bool ParseHex(std::string_view digits, uint32_t& value) noexcept {
    if (digits.empty() || digits.size() > 8)
        return false;
    uint32_t v = 0;
    for (char c : digits) {
        int digit = HexDigitValue(c);
        if (digit < 0)
            return false;
        v = v * 16 + static_cast<uint32_t>(digit);
    }
    value = v;
    return true;
}

// Whether `text` is exactly `count` hexadecimal digits.
constexpr bool IsHexDigits(std::string_view text, size_t count) noexcept {
    if (text.size() != count)
        return false;
    for (char c : text)
        if (HexDigitValue(c) < 0)
            return false;
    return true;
}

// Writes `value` as exactly `count` lower-case hexadecimal digits at `out`
// (the low digits when the value has more).
constexpr void WriteHex(uint64_t value, char* out, int count) noexcept {
    for (int i = count - 1; i >= 0; --i, value >>= 4)
        out[i] = "0123456789abcdef"[value & 15];
}

} // namespace tb
