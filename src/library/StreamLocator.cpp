#include "library/StreamLocator.h"

namespace tb {
namespace {

bool HexRun(std::string_view text, size_t from, size_t count, uint32_t* value) {
    if (text.size() < from + count)
        return false;
    uint32_t v = 0;
    for (size_t i = from; i < from + count; ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0)
            return false;
        v = v * 16 + static_cast<uint32_t>(digit);
    }
    if (value)
        *value = v;
    return true;
}

} // namespace

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
    if (!HexRun(text, 0, 16, nullptr) || text.size() < 17 || text[16] != '.' ||
        !HexRun(text, 17, 8, &node))
        return std::nullopt;
    if (text.size() != 25 &&
        (text.size() != 34 || text[25] != '.' || !HexRun(text, 26, 8, &locator.extra)))
        return std::nullopt;
    locator.unit = String(text.substr(0, 16));
    locator.nodeId = static_cast<int32_t>(node);
    return locator;
}

} // namespace tb
