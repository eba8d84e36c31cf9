#include "core/TextBuilder.h"

#include "core/Hex.h"

#include <algorithm>
#include <new>

namespace tb {

void TextBuilder::Reserve(int64_t capacity) {
    if (capacity > INT32_MAX / 2)
        throw std::bad_alloc();
    text_.ReleaseBuffer(length_);
    chars_ = text_.GetBuffer(static_cast<int32_t>(capacity));
    capacity_ = static_cast<int32_t>(capacity);
}

void TextBuilder::Grow(size_t more) {
    Reserve(
        std::max<int64_t>(2 * int64_t{capacity_}, int64_t{length_} + static_cast<int64_t>(more)));
}

TextBuilder& TextBuilder::AppendNumber(uint32_t value) {
    constexpr int MaxDigits = 10;
    if (length_ + MaxDigits > capacity_)
        Grow(MaxDigits);
    int n = 1;
    for (uint32_t rest = value / 10; rest; rest /= 10)
        ++n;
    for (char* p = chars_ + length_ + n; p != chars_ + length_; value /= 10)
        *--p = static_cast<char>('0' + value % 10);
    length_ += n;
    return *this;
}

TextBuilder& TextBuilder::AppendHex8(uint32_t value) {
    if (length_ + 8 > capacity_)
        Grow(8);
    WriteHex(value, chars_ + length_, 8);
    length_ += 8;
    return *this;
}

TextBuilder& TextBuilder::AppendNumber(int32_t value) {
    if (value < 0) {
        Append("-");
        return AppendNumber(static_cast<uint32_t>(-(int64_t{value})));
    }
    return AppendNumber(static_cast<uint32_t>(value));
}

String TextBuilder::Finish() {
    text_.ReleaseBuffer(length_);
    String result = std::move(text_);
    text_ = String();
    chars_ = nullptr;
    length_ = capacity_ = 0;
    return result;
}

} // namespace tb
