#pragma once

#include <sys/resource.h>

namespace tb {

// User plus system time the calling process has used so far, in seconds.
// Unlike wall time it does not count waiting for a CPU another program
// holds, which makes it the steadier figure on a busy machine.
inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace tb
