#include "core/Base64.h"

#include <cstdlib>
#include <string_view>

// Any text decodes without failing: an error points into the text, and
// what was decoded holds three bytes for every four digits before it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tb::Base64Result result = tb::DecodeBase64(text);
    if (result.errorAt < -1 || result.errorAt >= static_cast<int32_t>(size) + 1)
        abort();
    size_t end = result.errorAt < 0 ? size : static_cast<size_t>(result.errorAt);
    size_t digits = 0;
    for (char c : text.substr(0, end))
        digits += c != '=';
    if (static_cast<size_t>(result.data.Length()) > digits * 3 / 4)
        abort();
    return 0;
}
