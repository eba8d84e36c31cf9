// Builds the node index of one folder with the real index build, once, and
// prints how long it took and how much memory the new tree holds.
//
// Usage: bench_index [--preload] [--categories] FOLDER
//   --preload     read every song's tags during the build
//   --categories  also build the Genre, Album, Artist and Year folders
//                 (only with --preload, as in the program)
// Prints one line of name=value pairs: songs, nodes, seconds, songs_per_s,
// cpu_seconds (user + system time of the build), rss_bytes and rss_per_song
// (resident growth over the build), heap_bytes and heap_per_song (malloc
// growth over the build). One build per process, so the resident growth is
// that of a first build after start-up.
#include "CpuTime.h"
#include "DiscardLog.h"
#include "ProcessMemory.h"
#include "delivery/DeliveryAnswers.h"
#include "library/IndexBuilder.h"
#include "library/NodeIndex.h"
#include "library/RandomStreamNode.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace tb {
namespace {

struct Arguments {
    const char* folder = nullptr;
    IndexOptions options;
};

bool ParseArguments(int argc, char** argv, Arguments& arguments) {
    bool categories = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--preload") == 0)
            arguments.options.preloadMp3Info = true;
        else if (strcmp(argv[i], "--categories") == 0)
            categories = true;
        else if (argv[i][0] != '-' && !arguments.folder)
            arguments.folder = argv[i];
        else
            return false;
    }
    arguments.options.genreFolder = categories;
    arguments.options.albumFolder = categories;
    arguments.options.artistFolder = categories;
    arguments.options.yearFolder = categories;
    return arguments.folder != nullptr;
}

double PerSong(uint64_t bytes, int32_t songs) {
    return songs > 0 ? static_cast<double>(bytes) / songs : 0.0;
}

// Growth between two readings; 0 when the second is smaller.
uint64_t Growth(uint64_t before, uint64_t after) {
    return after > before ? after - before : 0;
}

int Run(const Arguments& arguments) {
    DeliveryAnswers answers;
    NodeIndex index(answers);
    ServiceList services;
    services.Items().push_back(
        std::make_shared<ShareService>("Music", "", arguments.folder, false));
    DiscardLog log;

    uint64_t rssBefore = ResidentBytes();
    uint64_t heapBefore = HeapBytesInUse();
    double cpuStart = CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    BuildIndex(index, services, arguments.options, log, nullptr);
    auto end = std::chrono::steady_clock::now();
    double cpu = CpuSeconds() - cpuStart;
    uint64_t rss = Growth(rssBefore, ResidentBytes());
    uint64_t heap = Growth(heapBefore, HeapBytesInUse());

    auto tree = index.Tree();
    // The global random stream (wire ID 2) holds every song of the tree.
    auto* stream = tree->Count() >= 2 ? dynamic_cast<RandomStreamNode*>(tree->Get(2)) : nullptr;
    int32_t songs = stream ? stream->Songs().Count() : 0;
    double seconds = std::chrono::duration<double>(end - start).count();
    printf("songs=%" PRId32 " nodes=%" PRId32 " seconds=%.4f songs_per_s=%.0f cpu_seconds=%.4f"
           " rss_bytes=%" PRIu64 " rss_per_song=%.0f heap_bytes=%" PRIu64 " heap_per_song=%.0f\n",
           songs, tree->Count(), seconds, seconds > 0 ? songs / seconds : 0.0, cpu, rss,
           PerSong(rss, songs), heap, PerSong(heap, songs));
    return songs > 0 ? 0 : 1;
}

} // namespace
} // namespace tb

int main(int argc, char** argv) {
    tb::Arguments arguments;
    if (!tb::ParseArguments(argc, argv, arguments)) {
        fprintf(stderr, "usage: bench_index [--preload] [--categories] FOLDER\n");
        return 2;
    }
    try {
        return tb::Run(arguments);
    } catch (const std::exception& e) {
        fprintf(stderr, "bench_index: %s\n", e.what());
        return 1;
    }
}
