// Two browsers of one web user ask for pages at the same time: should each
// render copy the template's value table (what PageRender does: a copy of
// the program pointer and the 42 values when it starts, the values handed
// back when it ends), or should renders of one template take turns under a
// lock held for the whole render?
//
// Each benchmark renders the page of a folder of 1000 tagged songs (the
// folder page's values, a three-level history and 1000 file items) with
// tb::PageRender over one tb::PageTemplate that all threads share:
//   BM_CopyPerRender   renders run side by side (the current code);
//   BM_LockPerTemplate the same renders, each inside one lock held from the
//                      start of the render to the end (taken in turn);
//   BM_SnapshotOnly    a render that sets nothing: only the copy and the
//                      hand-back, the price the copy adds to every page.
// Timed in wall time, so that items_per_second is the pages all threads
// together make per second.
#include "core/TextBuilder.h"
#include "library/Mp3Info.h"
#include "web/PageRender.h"
#include "web/TemplateText.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using tb::String;
using V = tb::TemplateVariable;

constexpr int SongCount = 1000;

const char* const Words[] = {"love",  "night",  "day",    "heart",  "fire",  "rain",
                             "river", "blue",   "golden", "silver", "light", "dream",
                             "road",  "home",   "star",   "moon",   "ocean", "storm",
                             "city",  "garden", "dance",  "wild",   "paper", "glass"};
constexpr int WordCount = sizeof Words / sizeof Words[0];

void AppendSyncSafe(std::string& out, uint32_t n) {
    for (int shift = 21; shift >= 0; shift -= 7)
        out += static_cast<char>((n >> shift) & 0x7f);
}

void AppendFrame(std::string& out, const char* id, const std::string& text) {
    auto size = static_cast<uint32_t>(text.size() + 1); // the encoding byte
    out += id;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((size >> shift) & 0xff);
    out += std::string("\0\0\0", 3); // no flags, ISO-8859-1
    out += text;
}

// A song as the index reads it: an ID3v2.3 tag and two seconds of
// 128 kbit/s MPEG-1 layer III frames (silence).
tb::Mp3Info MakeSong(int n) {
    auto word = [n](int k) { return std::string(Words[(n * 7 + k * 5) % WordCount]); };
    std::string frames;
    AppendFrame(frames, "TIT2", word(0) + " " + word(1) + " " + word(2));
    AppendFrame(frames, "TPE1", "The " + word(3) + "s");
    AppendFrame(frames, "TALB", word(4) + " & " + word(5));
    AppendFrame(frames, "TCON", "Rock");
    AppendFrame(frames, "TYER", std::to_string(1960 + n % 60));
    AppendFrame(frames, "TRCK", std::to_string(n % 20 + 1));
    std::string bytes = std::string("ID3\3\0\0", 6);
    AppendSyncSafe(bytes, static_cast<uint32_t>(frames.size()));
    bytes += frames;
    constexpr int FrameBytes = 417; // 144 * 128000 / 44100
    std::string frame(FrameBytes, '\0');
    frame[0] = '\xff';
    frame[1] = '\xfb';
    frame[2] = '\x90';
    for (int i = 0; i < 77; ++i)
        bytes += frame;
    return tb::Mp3Info::FromBytes(bytes.data(), bytes.size());
}

struct Folder {
    std::vector<tb::Mp3Info> songs;
    std::vector<String> names;
    std::vector<String> links;
};

const Folder& TheFolder() {
    static const Folder folder = [] {
        Folder f;
        for (int n = 0; n < SongCount; ++n) {
            f.songs.push_back(MakeSong(n));
            f.names.push_back(
                String::Format("%04d - %s.mp3", n + 1, f.songs.back().Title().c_str()));
            f.links.push_back(String::Format("%d", 10 + n));
        }
        return f;
    }();
    return folder;
}

// One user's template, shared by every thread of a benchmark.
tb::PageTemplate& SharedTemplate() {
    static tb::PageTemplate page;
    return page;
}

// The lock "lock per template" would take. First come, first served:
// std::mutex lets the thread that releases it take it straight back, so
// one thread would finish its iterations long before the other, and the
// per-thread wall times Google Benchmark averages would then report more
// pages per second than one lock allows.
class TurnLock {
public:
    void lock() {
        uint32_t ticket = next_.fetch_add(1);
        for (uint32_t now = serving_.load(); now != ticket; now = serving_.load())
            serving_.wait(now);
    }
    void unlock() {
        serving_.fetch_add(1);
        serving_.notify_all();
    }

private:
    std::atomic<uint32_t> next_{0};
    std::atomic<uint32_t> serving_{0};
};

TurnLock templateLock;

// The folder page, made the way the server's folder page makes it.
int64_t RenderFolderPage(tb::PageTemplate& page, const Folder& folder) {
    tb::PageRender render(page);
    render.SetText(V::FolderLink, "7");
    render.SetText(V::FolderName, tb::PageText("songs"));
    render.SetText(V::ParentLink, "6");
    render.SetText(V::ParentName, tb::PageText("Bench"));
    render.SetText(V::GrandParentLink, "1");
    render.SetText(V::GrandParentName, tb::PageText("Root"));
    render.SetText(V::ShareLink, "1");
    render.SetText(V::ShareName, tb::PageText("Bench"));
    render.SetFlag(V::HasFolderImage, false);
    render.SetFlag(V::HasSongs, true);
    render.SetFlag(V::HasFolders, false);
    render.SetText(V::UserName, tb::PageText("Bench user"));
    render.SetFlag(V::HasFolderBackImage, false);
    render.SetText(V::TunebridgeVersion, "1.0");
    render.SetText(V::FolderAlbum, tb::PageText("songs"));
    render.SetText(V::FolderArtist, tb::PageText("Bench"));
    render.SetFlag(V::IsRecommended, false);
    render.SetText(V::FolderComment, "");
    render.SetNumber(V::FolderCount, SongCount);
    render.SetText(V::FolderTime, tb::FormatDuration(2 * SongCount));
    String history = render.RenderHistoryItem("1", "Root");
    history += render.RenderHistoryItem("6", "Bench");
    history += render.RenderHistoryItem("7", "songs");
    tb::TextBuilder files(8192);
    for (int n = 0; n < SongCount; ++n) {
        auto i = static_cast<size_t>(n);
        render.SetNumber(V::SongCount, n + 1);
        files.Append(render.RenderFileItem(folder.names[i], folder.links[i], &folder.songs[i]));
    }
    return render.RenderPage(history, files.Finish(), String()).Length();
}

void Setup(const benchmark::State&) {
    SharedTemplate().Use(tb::TemplateProgram::BuiltIn());
    TheFolder();
}

void ReportPage(benchmark::State& state, int64_t bytes) {
    state.SetItemsProcessed(state.iterations());
    state.counters["page_bytes"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgThreads);
}

void BM_CopyPerRender(benchmark::State& state) {
    const Folder& folder = TheFolder();
    int64_t bytes = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(bytes = RenderFolderPage(SharedTemplate(), folder));
    ReportPage(state, bytes);
}

void BM_LockPerTemplate(benchmark::State& state) {
    const Folder& folder = TheFolder();
    int64_t bytes = 0;
    for (auto _ : state) {
        std::lock_guard lock(templateLock);
        benchmark::DoNotOptimize(bytes = RenderFolderPage(SharedTemplate(), folder));
    }
    ReportPage(state, bytes);
}

void BM_SnapshotOnly(benchmark::State& state) {
    for (auto _ : state) {
        tb::PageRender render(SharedTemplate());
        benchmark::DoNotOptimize(&render);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_CopyPerRender)->Setup(Setup)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_LockPerTemplate)->Setup(Setup)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_SnapshotOnly)->Setup(Setup)->Threads(1)->Threads(2)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
