#include "core/Base64.h"

#include <array>

namespace tb {
namespace {

constexpr std::array<int8_t, 256> MakeDigits() {
    std::array<int8_t, 256> digits{};
    digits.fill(-1);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int8_t i = 0; i < 64; ++i)
        digits[static_cast<unsigned char>(alphabet[i])] = i;
    return digits;
}
constexpr std::array<int8_t, 256> Digits = MakeDigits();

// Appends the bytes of a group of `count` (2 to 4) digits.
void AppendGroup(String& out, const int8_t* group, int count) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits = bits << 6 | static_cast<uint32_t>(i < count ? group[i] : 0);
    char bytes[3] = {static_cast<char>(bits >> 16), static_cast<char>(bits >> 8),
                     static_cast<char>(bits)};
    out.Append(bytes, count - 1);
}

} // namespace

Base64Result DecodeBase64(std::string_view text) {
    Base64Result result;
    int8_t group[4];
    int count = 0;
    auto n = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < n; ++i) {
        int8_t digit = Digits[static_cast<unsigned char>(text[i])];
        if (digit >= 0) {
            group[count++] = digit;
            if (count == 4) {
                AppendGroup(result.data, group, 4);
                count = 0;
            }
            continue;
        }
        // Padding may only complete a group of two or three digits, and
        // nothing may follow the group it completes.
        if (text[i] != '=' || count < 2) {
            result.errorAt = i;
            return result;
        }
        int32_t end = i + (4 - count);
        for (int32_t j = i; j < end; ++j)
            if (j >= n || text[j] != '=') {
                result.errorAt = j < n ? j : n;
                return result;
            }
        if (end < n) {
            result.errorAt = end;
            return result;
        }
        AppendGroup(result.data, group, count);
        return result;
    }
    if (count == 1)
        result.errorAt = n - 1;
    else if (count > 1)
        AppendGroup(result.data, group, count);
    return result;
}

} // namespace tb
