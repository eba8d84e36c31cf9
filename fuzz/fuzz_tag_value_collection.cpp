#include "core/Exceptions.h"
#include "core/TagValueCollection.h"

#include <cstdlib>
#include <cstring>
#include <string>

// Parsing either succeeds, stopping inside the text, or throws
// TagValueCollectionException.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    char separator = static_cast<char>(data[0]);
    bool stopAtBlankLine = (data[0] & 1) != 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    tb::TagValueCollection pairs;
    try {
        int32_t stop = pairs.Parse(text.c_str(), separator, stopAtBlankLine);
        if (stop < 0 || static_cast<size_t>(stop) > strlen(text.c_str()))
            abort();
        pairs.Find("Content-Type");
    } catch (const tb::TagValueCollectionException&) {
    }
    return 0;
}
