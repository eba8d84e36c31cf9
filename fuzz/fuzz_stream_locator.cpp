#include "delivery/FileCopy.h"
#include "library/StreamLocator.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// A locator that parses has one of the two lengths, prints back as the
// unit as sent and the node in lower-case digits, and parses again to the
// same values.
void CheckLocator(std::string_view text) {
    std::optional<tb::StreamLocator> locator = tb::StreamLocator::Parse(text);
    if (!locator)
        return;
    if (text.size() != 25 && text.size() != 34)
        abort();
    if (text.size() == 25 && locator->extra != tb::StreamLocator::NoExtra)
        abort();
    std::string expected(text.substr(0, 17));
    for (char c : text.substr(17, 8))
        expected += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    tb::String printed = locator->ToString();
    if (printed.View() != expected)
        abort();
    std::optional<tb::StreamLocator> again = tb::StreamLocator::Parse(printed.View());
    if (!again || again->nodeId != locator->nodeId || !(again->unit == locator->unit))
        abort();
}

// A ranged answer starts inside the file and sends the rest of it.
void CheckRange(const uint8_t* data, size_t size) {
    if (size < 12)
        return;
    uint64_t rawSize = 0;
    int32_t start = 0;
    std::memcpy(&rawSize, data, sizeof rawSize);
    std::memcpy(&start, data + sizeof rawSize, sizeof start);
    auto fileSize = static_cast<int64_t>(rawSize >> 1);
    auto [from, length] = tb::RangeOf(fileSize, start);
    if (from < 0 || from > fileSize || length < 0 || from + length != fileSize)
        abort();
    if (start >= 0 && start <= fileSize && from != start)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckLocator(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckRange(data, size);
    return 0;
}
