#include "core/IPAddress.h"
#include "netservices/EchoSite.h"

#include <cstdlib>
#include <string>
#include <string_view>

// An echo site's answer and its marker (the bytes up to the first NUL):
// an address found is one whose dotted text follows the marker in the
// answer; a site text either reads or is refused with invalid_argument.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    size_t split = std::min(bytes.find('\0'), bytes.size());
    std::string_view marker = bytes.substr(0, split);
    std::string_view answer = bytes.substr(std::min(split + 1, bytes.size()));
    if (auto found = tb::AddressAfterMarker(answer, marker)) {
        std::string dotted(tb::IPAddress(*found, 0).HostText().View());
        if (answer.find(std::string(marker) + dotted) == std::string_view::npos)
            abort();
    }
    try {
        tb::ParseEchoSite(tb::String(marker));
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
