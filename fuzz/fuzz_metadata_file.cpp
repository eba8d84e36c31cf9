#include "library/MetadataFile.h"

#include <cstdlib>

// Any text reads without failing; values never run past their line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tb::MetadataFile file;
    file.SetText(tb::String(reinterpret_cast<const char*>(data), static_cast<int32_t>(size)));
    for (const char* key :
         {"FrontImage", "BackImage", "Album", "Artist", "TemplateFile", "Comment"}) {
        tb::String value = file.GetString(key);
        if (value.Find('\r') >= 0 || value.Find('\n') >= 0)
            abort();
    }
    file.GetInt("SortOrder", 0);
    file.GetBool("Recommended", false);
    return 0;
}
