#include "ProcessMemory.h"

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace tb {

uint64_t ResidentBytes() {
    FILE* statm = fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    unsigned long long sizePages = 0;
    unsigned long long residentPages = 0;
    int read = fscanf(statm, "%llu %llu", &sizePages, &residentPages);
    fclose(statm);
    if (read != 2)
        return 0;
    return residentPages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

uint64_t HeapBytesInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace tb
