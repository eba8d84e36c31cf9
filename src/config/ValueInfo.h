#pragma once

#include "core/String.h"

#include <cstdint>
#include <optional>

namespace tb {

// Registry value types, with the numbers the stored values carry.
inline constexpr uint32_t RegSz = 1;    // text
inline constexpr uint32_t RegDword = 4; // 32-bit number, 4 bytes little-endian

// One stored value as it is: its name, type and data bytes.
struct ValueInfo {
    String name;
    uint32_t type = 0;
    // The bytes as written; a REG_SZ written by SetString ends in one NUL.
    String data;

    // A REG_SZ's text: the data without one terminating NUL, if it has one.
    String Text() const;
    // A REG_DWORD of exactly 4 bytes as a number; empty otherwise.
    std::optional<uint32_t> Number() const;

    static String DwordBytes(uint32_t value);
};

} // namespace tb
