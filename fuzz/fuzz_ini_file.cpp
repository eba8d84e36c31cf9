#include "radio/IniFile.h"

#include <cstdlib>
#include <string_view>

// Any text reads without failing, and no value it gives is longer than a
// value can be.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tb::IniFile ini =
        tb::IniFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const char* key : {"numberofentries", "File1", "Title1", "File8"})
        if (auto value = ini.Get("playlist", key);
            value && value->Length() > tb::IniFile::MaxValueLength)
            abort();
    return 0;
}
