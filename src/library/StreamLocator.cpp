#include "library/StreamLocator.h"

#include "core/Hex.h"

namespace tb {
bool StreamLocator::IsUnitKey(std::string_view text) {
    return IsHexDigits(text, 16);
}

String StreamLocator::ToString() const {
    TextBuilder text(32);
    AppendTo(text);
    return text.Finish();
}

void StreamLocator::AppendTo(TextBuilder& out, const String& unit, int32_t nodeId) {
    out.Append(unit);
    AppendNodePart(out, nodeId);
}

void StreamLocator::AppendNodePart(TextBuilder& out, int32_t nodeId) {
    out.Append(".").AppendHex8(static_cast<uint32_t>(nodeId));
}

std::optional<StreamLocator> StreamLocator::Parse(std::string_view text) {
    StreamLocator locator;
    uint32_t node = 0;
    // Sizes first: each hex run is then exactly 8 digits.
    if (text.size() < 25 || !IsUnitKey(text.substr(0, 16)) || text[16] != '.' ||
        !ParseHex(text.substr(17, 8), node))
        return std::nullopt;
    if (text.size() != 25 &&
        (text.size() != 34 || text[25] != '.' || !ParseHex(text.substr(26), locator.extra)))
        return std::nullopt;
    locator.unit = String(text.substr(0, 16));
    locator.nodeId = static_cast<int32_t>(node);
    return locator;
}

} // namespace tb
