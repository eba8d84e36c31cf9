#include "library/Mp3TextFields.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace tb {

void Mp3TextFields::Set(Id field, const void* bytes, size_t n) noexcept {
    size_t count = std::min(n, Capacity[field] - 1);
    memcpy(text_[field], bytes, count);
    text_[field][count] = 0;
}

void Mp3TextFields::Set(Id field, const char* text) noexcept {
    Set(field, text, strlen(text));
}

void Mp3TextFields::SetNumber(Id field, uint32_t value) noexcept {
    char digits[10];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    Set(field, digits, static_cast<size_t>(result.ptr - digits));
}

size_t Mp3TextFields::LengthOf(Id field) const noexcept {
    return strnlen(text_[field], Capacity[field]);
}

} // namespace tb
