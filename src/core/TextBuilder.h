#pragma once

#include "core/String.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tb {

// Builds one long text from many small pieces (a device listing of a
// thousand songs) at the cost of a copy per piece: the buffer is written
// directly and doubles when full. Not thread-safe.
class TextBuilder {
public:
    explicit TextBuilder(int32_t expected = 256) { Reserve(expected); }

    TextBuilder& Append(std::string_view text) {
        if (text.empty()) // an empty view may carry a null pointer
            return *this;
        if (length_ + static_cast<int64_t>(text.size()) > capacity_)
            Grow(text.size());
        memcpy(chars_ + length_, text.data(), text.size());
        length_ += static_cast<int32_t>(text.size());
        return *this;
    }
    TextBuilder& Append(const String& text) { return Append(text.View()); }
    TextBuilder& Append(const char* text) { return Append(std::string_view(text)); }
    // Decimal digits of an unsigned number.
    TextBuilder& AppendNumber(uint32_t value);
    TextBuilder& AppendNumber(int32_t value);
    // Exactly 8 lower-case hexadecimal digits.
    TextBuilder& AppendHex8(uint32_t value);

    int32_t Length() const noexcept { return length_; }
    // The text built so far; the builder starts empty again.
    String Finish();

private:
    void Reserve(int64_t capacity);
    void Grow(size_t more);

    String text_;
    char* chars_ = nullptr;
    int32_t length_ = 0;
    int32_t capacity_ = 0;
};

} // namespace tb
