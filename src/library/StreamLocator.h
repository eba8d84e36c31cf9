#pragma once

#include "core/String.h"
#include "core/TextBuilder.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tb {

// The path of a device stream URL: 16 hex digits of the unit key, ".", the
// wire node ID as 8 hex digits, optionally "." and an extra number.
struct StreamLocator {
    static constexpr uint32_t NoExtra = 0xFFFFFFFF;

    String unit = "0000000000000000";
    int32_t nodeId = 0;
    uint32_t extra = NoExtra;

    // unit + "." + nodeId as 8 lower-case hex digits.
    String ToString() const;
    void AppendTo(TextBuilder& out) const { AppendTo(out, unit, nodeId); }
    // The text form of a unit key and node ID, without making a locator.
    static void AppendTo(TextBuilder& out, const String& unit, int32_t nodeId);
    // The part after the unit key: "." + nodeId as 8 hex digits.
    static void AppendNodePart(TextBuilder& out, int32_t nodeId);
    // A device identity that stream URLs can carry: exactly 16 hex digits.
    static bool IsUnitKey(std::string_view text);
    // Exactly 16 hex digits, ".", 8 hex digits, then the end or "." and 8
    // more hex digits and the end (digits in either case).
    static std::optional<StreamLocator> Parse(std::string_view text);
};

} // namespace tb
