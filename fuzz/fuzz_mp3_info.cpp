#include "library/Mp3Info.h"

#include <cstdlib>

// Any bytes give a record whose fields stay within their sizes; nothing may
// throw, crash or read outside the input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr int32_t MaxLengths[tb::Mp3Info::FieldCount] = {
        99, 99, 99, 39, 19, 7, 19, 9, 19, 9, 9, 9, 1, 2, 1, 1, 1, 19, 1};
    tb::Mp3Info info = tb::Mp3Info::FromBytes(data, size);
    for (int i = 0; i < tb::Mp3Info::FieldCount; ++i) {
        if (info.Field(i).Length() > MaxLengths[i])
            abort();
    }
    return 0;
}
