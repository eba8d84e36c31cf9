#include "server/GetRequestParser.h"

#include <cstdlib>
#include <string_view>

// The GET parser and its helpers never fail and respect their bounds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tb::ParsedGetRequest parsed = tb::ParseGetRequest(text);
    if (parsed.request.path.Length() > tb::MaxDecodedLength)
        abort();
    tb::GetParam("eui64", text);
    tb::BaseUrl(text);
    if (tb::DecodePercent(text).Length() > tb::MaxDecodedLength)
        abort();
    return 0;
}
