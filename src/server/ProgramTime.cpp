#include "server/ProgramTime.h"

#include "core/Version.h"

namespace tb {

const DateTime& ProgramTime() {
    static const DateTime time = [] {
        DateTime t(uint64_t{0});
        t.FromFile("/proc/self/exe", DateTime::FileTimeKind::LastWrite);
        t.Complete();
        return t;
    }();
    return time;
}

const char* ProgramIdentification() {
    return "Tunebridge " TUNEBRIDGE_VERSION_TEXT " (Linux)";
}

} // namespace tb
