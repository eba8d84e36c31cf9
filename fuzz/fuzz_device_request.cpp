#include "delivery/ContentDataSet.h"
#include "library/StreamLocator.h"
#include "server/DeviceRequest.h"
#include "server/GetRequestParser.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// A device's POST, as any bytes: reading it never fails outside its result,
// only 16 hexadecimal digits count as a device identity, and the listing
// window made from the request's numbers never reaches outside a list nor
// holds more than a page.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<tb::DeviceRequest> request = tb::DeviceRequest::Parse(text);
    tb::String identity = request ? request->unitKey : tb::GetParam("eui64", text);
    if (tb::StreamLocator::IsUnitKey(identity.View())) {
        if (identity.Length() != 16)
            abort();
        for (char c : identity.View())
            if (!isxdigit(static_cast<unsigned char>(c)))
                abort();
    }
    if (!request)
        return 0;
    request->IsInfo();
    request->SuperScroll();
    if (request->NamesANode() && request->NodeId() == 0)
        abort();
    for (int32_t count : {0, 1, 8, 1000, INT32_MAX}) {
        tb::ListingWindow window = tb::ClampWindow(count, request->NumElem(), request->FromIndex());
        if (window.HasItems() && (window.fromIndex < 0 || window.numElem > tb::MaxPageItems ||
                                  int64_t{window.fromIndex} + window.numElem > count))
            abort();
        tb::ReadingLine("unit", "folder", count, window);
    }
    return 0;
}
