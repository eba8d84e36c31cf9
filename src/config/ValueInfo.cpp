#include "config/ValueInfo.h"

namespace tb {

String ValueInfo::Text() const {
    int32_t length = data.Length();
    if (length > 0 && data.At(length - 1) == '\0')
        return data.Mid(0, length - 1);
    return data;
}

std::optional<uint32_t> ValueInfo::Number() const {
    if (type != RegDword || data.Length() != 4)
        return std::nullopt;
    uint32_t value = 0;
    for (int32_t i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(data.At(i));
    return value;
}

String ValueInfo::DwordBytes(uint32_t value) {
    char bytes[4];
    for (char& byte : bytes) {
        byte = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
    return String(bytes, 4);
}

} // namespace tb
