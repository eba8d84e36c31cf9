// Fifty simulated players browse and stream at once while the index is
// rebuilt every half second and files come and go in one share. Built with
// the thread sanitizer, the server must also run without a race report.
#include "DeviceChurn.h"
#include "DeviceLibrary.h"
#include "DeviceLogDrain.h"
#include "DeviceSimulator.h"
#include "DeviceWalk.h"
#include "ServerProcess.h"
#include "support/RequireTool.h"
#include "support/TempDir.h"

#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <thread>

namespace tb::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int Players = 50;
constexpr auto RebuildEvery = 500ms;
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr auto Duration = 20s;
constexpr int RequestsPerPlayer = 120;
#else
constexpr auto Duration = 12s;
constexpr int RequestsPerPlayer = 200;
#endif

// Two shares that never change, and a third, named to come last, whose
// files come and go. Wire IDs count depth-first, so the changing share's
// nodes all come after the others, whose IDs then stay put.
struct ChurnLibrary {
    TempDir music, config, reports;
    DeviceLibrary stable;
    std::unique_ptr<DeviceChurn> churn;

    ChurnLibrary() {
        DeviceSongMaker maker(music / ".staging");
        int n = 0;
        for (const char* share : {"alpha", "beta"})
            for (int folder = 0; folder < 3; ++folder)
                for (int s = 0; s < 5; ++s, ++n)
                    maker.Add(music / (std::string(share) + "/Folder " + std::to_string(folder) +
                                       "/song " + std::to_string(s) + ".mp3"),
                              1 + n % 5,
                              {"Stable " + std::to_string(n), "Artist " + std::to_string(folder),
                               std::string("Album ") + share, std::to_string(s + 1), "Pop",
                               "2000"});
        maker.Add(music / "beta/loose & odd <name>.mp3", 2, {});
        stable.songs = maker.Make();
        stable.shares = {{"Alpha", music / "alpha"}, {"Beta", music / "beta"}};
        churn = std::make_unique<DeviceChurn>(music / "pool", music / "zz", 10, 3);
        churn->Populate();
    }

    DeviceLibrary Expected() const {
        DeviceLibrary all = stable;
        all.shares.push_back({"Zz Churn", music / "zz"});
        for (DeviceSong& song : churn->Present())
            all.songs.push_back(std::move(song));
        return all;
    }
};

// What the first walk saw of the parts that do not change.
struct Reference {
    const DeviceTree& tree;
    int churnTop = 0; // wire ID of the changing share's folder
    std::vector<int> folders, streams, songs;

    explicit Reference(const DeviceTree& t) : tree(t) {
        churnTop = tree.nodes.at(1).children.back();
        for (const auto& [id, node] : tree.nodes) {
            if (!IsStable(id))
                continue;
            auto kind = node.kind;
            (kind == DeviceNode::Kind::Song           ? songs
             : kind == DeviceNode::Kind::RandomStream ? streams
                                                      : folders)
                .push_back(id);
        }
    }
    // The root lists the shares, whose IDs stay; the global random stream holds every song.
    bool IsStable(int id) const { return id != 2 && id < churnTop; }
    const DeviceNode& Node(int id) const { return tree.nodes.at(id); }
};

// One player: a random mix of what devices do, each answer checked as far
// as a changing tree allows.
class Player {
public:
    Player(int port, int index, const Reference& reference, const DeviceChurn& churn)
        : device_(port, Eui64(index)), rng_(static_cast<unsigned>(index) * 7919u + 1),
          reference_(reference), churn_(churn) {}

    static std::string Eui64(int index) {
        char text[17];
        std::snprintf(text, sizeof text, "00c0ffee%08x", static_cast<unsigned>(index));
        return text;
    }

    void Run(Clock::time_point deadline) {
        BrowseRoot(); // a player is admitted by its first browse, then plays
        while (Clock::now() < deadline && device_.Requests() < RequestsPerPlayer) {
            int dice = static_cast<int>(rng_() % 100);
            if (dice < 8)
                BrowseRoot();
            else if (dice < 30)
                BrowseStable();
            else if (dice < 40)
                SuperScrollStable();
            else if (dice < 60)
                PlayStable();
            else if (dice < 85)
                ExploreChurn();
            else if (dice < 97)
                BrowseGlobalStream();
            else
                PressInfo();
            std::this_thread::sleep_for(std::chrono::milliseconds(2 + rng_() % 15));
        }
    }

    struct Counts {
        int pages = 0, streams = 0, churnStreams = 0, churnSilent = 0;
    };
    const DeviceSimulator& Device() const { return device_; }
    const Counts& Done() const { return done_; }

private:
    int Pick(const std::vector<int>& ids) { return ids[rng_() % ids.size()]; }
    long long Window() { return 3 + static_cast<long long>(rng_() % 5); }

    void BrowseRoot() {
        long long window = Window();
        DevicePage page = device_.Browse(1, 0, window);
        if (device_.CheckPage(page, 0, window, "root"))
            CompareWithReference(1, page, "root");
    }

    void BrowseStable() {
        int id = Pick(rng_() % 3 ? reference_.folders : reference_.streams);
        long long total = static_cast<long long>(reference_.Node(id).children.size());
        long long from = static_cast<long long>(rng_() % (total + 1));
        long long window = Window();
        DevicePage page = device_.Browse(id, from, window);
        std::string what = "stable node " + std::to_string(id);
        if (device_.CheckPage(page, from, window, what))
            CompareWithReference(id, page, what);
    }

    void CompareWithReference(int id, const DevicePage& page, const std::string& what) {
        ++done_.pages;
        const DeviceNode& node = reference_.Node(id);
        const DeviceContentData& d = *page.data;
        if (d.total != static_cast<long long>(node.children.size()))
            device_.Problem(what + ": totnumelem " + std::to_string(d.total) + ", was " +
                            std::to_string(node.children.size()));
        std::set<int> listed;
        for (size_t k = 0; k < d.items.size(); ++k) {
            const DeviceItem& item = d.items[k];
            size_t at = static_cast<size_t>(d.from) + k;
            bool inPlace =
                node.kind == DeviceNode::Kind::RandomStream
                    ? std::count(node.children.begin(), node.children.end(), item.nodeId) == 1 &&
                          listed.insert(item.nodeId).second
                    : at < node.children.size() && node.children[at] == item.nodeId;
            if (!inPlace || !SameItem(item, reference_.Node(item.nodeId).item))
                device_.Problem(what + ": item " + std::to_string(item.nodeId) + " '" + item.name +
                                "' at " + std::to_string(at) + " is not as before");
        }
    }

    // Equal apart from the stream URL, which names the device.
    bool SameItem(const DeviceItem& item, const DeviceItem& before) const {
        bool urlOk = item.folder || item.url == device_.StreamUrl(item.nodeId);
        return urlOk && item.folder == before.folder && item.marked == before.marked &&
               item.name == before.name && item.title == before.title &&
               item.album == before.album && item.artist == before.artist &&
               item.trackno == before.trackno && item.year == before.year;
    }

    void SuperScrollStable() {
        int id = Pick(reference_.folders);
        const DeviceNode& node = reference_.Node(id);
        std::vector<std::string> names;
        for (int child : node.children)
            names.push_back(SortName(reference_.Node(child)));
        long long from = static_cast<long long>(rng_() % (names.size() + 1));
        std::string letter(1, "0AEMSZaz[~"[rng_() % 10]);
        long long target = SuperScrollTarget(names, from, letter);
        long long window = Window();
        DevicePage page = device_.Browse(id, from, window, letter);
        std::string what = "superScroll '" + letter + "' from " + std::to_string(from) +
                           " in stable folder " + std::to_string(id);
        if (device_.CheckPage(page, target, window, what))
            CompareWithReference(id, page, what);
    }

    void PlayStable() {
        const DeviceNode& node = reference_.Node(Pick(reference_.songs));
        const std::string& bytes = node.song->bytes;
        std::string url = device_.StreamUrl(node.id);
        int mode = static_cast<int>(rng_() % 5);
        if (mode == 0) {
            device_.StreamAndHangUp(url, std::chrono::milliseconds(rng_() % 5));
            return;
        }
        long long start = mode == 1 ? static_cast<long long>(rng_() % (bytes.size() + 1)) : -1;
        DeviceHttpAnswer answer = device_.Stream(url, start);
        std::string expected = start > 0 ? bytes.substr(static_cast<size_t>(start)) : bytes;
        ++done_.streams;
        if (!answer.Complete() || answer.statusLine != "HTTP/1.1 200 OK" || answer.body != expected)
            device_.Problem("stable song " + node.song->path + " from " + std::to_string(start) +
                            ": " + answer.Describe() +
                            (answer.Complete() ? ", other bytes than the file" : ""));
    }

    void ExploreChurn() {
        auto top = device_.List(reference_.churnTop, false, "changing share", true);
        if (!top || top->items.empty())
            return;
        CheckChurnItems(top->items, "changing share");
        const DeviceItem& pick = top->items[rng_() % top->items.size()];
        if (!pick.folder) {
            PlayChurn(pick, top->etag);
            return;
        }
        bool stream = pick.name == "[Random stream]";
        auto inner = device_.List(pick.nodeId, stream, "changing folder", true);
        if (!inner || inner->items.empty())
            return;
        CheckChurnItems(inner->items, "changing folder " + std::to_string(pick.nodeId));
        const DeviceItem& song = inner->items[rng_() % inner->items.size()];
        if (!song.folder)
            PlayChurn(song, inner->etag);
    }

    // Items below the changing share, all numbered after it: its random
    // stream, its one sub-folder (marked, being a level down), and songs
    // with a title its files carry.
    void CheckChurnItems(const std::vector<DeviceItem>& items, const std::string& what) {
        ++done_.pages;
        for (const DeviceItem& item : items) {
            bool ok = item.nodeId > reference_.churnTop &&
                      (item.folder ? (item.name == "[Random stream]" && !item.marked) ||
                                         (item.name == "sub" && item.marked)
                                   : churn_.SlotOfTitle(item.title) >= 0 &&
                                         item.url == device_.StreamUrl(item.nodeId));
            if (!ok)
                device_.Problem(what + ": unexpected item " + std::to_string(item.nodeId) + " '" +
                                item.name + "'");
        }
    }

    // A song of the changing share plays as one whole version of a file
    // of that share, or not at all when its file or node went away. When
    // no build happened between listing and playing (the listing's tag
    // still holds), it is a version of the very file listed.
    void PlayChurn(const DeviceItem& item, const std::string& listedTag) {
        DeviceHttpAnswer answer = device_.Stream(item.url);
        ++done_.churnStreams;
        if (answer.raw.empty()) {
            ++done_.churnSilent;
            return;
        }
        std::string what =
            "changing song '" + item.title + "' (" + std::to_string(item.nodeId) + ")";
        if (!answer.Complete() || answer.statusLine != "HTTP/1.1 200 OK") {
            device_.Problem(what + ": " + answer.Describe());
            return;
        }
        if (!churn_.IsAnyVersion(answer.body)) {
            device_.Problem(what + ": bytes of no file of the share");
            return;
        }
        DevicePage after = device_.Browse(1, 1, 3); // not from 0: that would reseed
        if (after.etag == listedTag &&
            !churn_.IsVersionOf(churn_.SlotOfTitle(item.title), answer.body))
            device_.Problem(what + ": bytes of another file, with no rebuild in between");
    }

    void BrowseGlobalStream() {
        long long window = Window();
        long long from = static_cast<long long>(rng_() % 40);
        DevicePage page = device_.Browse(2, from, window);
        if (!device_.CheckPage(page, from, window, "global random stream", true))
            return;
        ++done_.pages;
        std::set<int> listed;
        for (const DeviceItem& item : page.data->items) {
            bool ok = !item.folder && listed.insert(item.nodeId).second &&
                      (reference_.IsStable(item.nodeId)
                           ? SameItem(item, reference_.Node(item.nodeId).item)
                           : churn_.SlotOfTitle(item.title) >= 0 &&
                                 item.url == device_.StreamUrl(item.nodeId));
            if (!ok)
                device_.Problem("global random stream: unexpected item " +
                                std::to_string(item.nodeId) + " '" + item.name + "'");
        }
    }

    void PressInfo() {
        DeviceHttpAnswer answer = device_.Post("<RequestInfo></RequestInfo>");
        if (!answer.Complete() || answer.body != "test")
            device_.Problem("INFO: " + answer.Describe());
    }

    DeviceSimulator device_;
    Counts done_;
    std::mt19937 rng_;
    const Reference& reference_;
    const DeviceChurn& churn_;
};

// Follows the server's output from the lines already seen on, reading it
// all the while so that the server never waits on a full pipe.
class OutputWatch {
public:
    explicit OutputWatch(ServerProcess& server) : server_(server), seen_(server.Lines().size()) {}

    void DrainUntil(Clock::time_point until) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() > 0)
            server_.WaitForLine("\n", left); // no line holds one: this only reads
    }
    // Waits for a new line holding `text`.
    bool WaitForNew(const std::string& text, std::chrono::seconds timeout) {
        auto deadline = Clock::now() + timeout;
        for (;;) {
            std::vector<std::string> lines = server_.Lines();
            for (; seen_ < lines.size(); ++seen_)
                if (lines[seen_].find(text) != std::string::npos) {
                    ++seen_;
                    return true;
                }
            if (Clock::now() > deadline)
                return false;
            DrainUntil(Clock::now() + 20ms);
        }
    }

private:
    ServerProcess& server_;
    size_t seen_;
};

// The text of every sanitizer report written to `dir`, or "".
std::string SanitizerReports(const std::string& dir) {
    std::string reports;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d))
            if (entry->d_name[0] != '.')
                reports += ReadFileBytes(dir + "/" + entry->d_name);
        closedir(d);
    }
    return reports.substr(0, 20000);
}

std::string FirstProblems(const std::vector<std::string>& problems) {
    std::string text = std::to_string(problems.size()) + " problems:";
    for (size_t i = 0; i < problems.size() && i < 25; ++i)
        text += "\n  " + problems[i];
    return text;
}

// Rebuilds the index every half second until `deadline`, changing the
// changing share's files before each; returns the number of builds that
// ended, or -1 when one did not end in time.
int RebuildUntil(Clock::time_point deadline, ServerProcess& server, DeviceChurn& churn) {
    OutputWatch watch(server);
    std::mt19937 rng(2024);
    int rebuilds = 0;
    for (auto tick = Clock::now() + RebuildEvery; tick < deadline; tick += RebuildEvery) {
        watch.DrainUntil(tick);
        churn.Mutate(rng, 2);
        kill(server.Pid(), SIGHUP);
        if (!watch.WaitForNew("Created ", 60s))
            return -1;
        ++rebuilds;
    }
    return rebuilds;
}

TEST(ConcurrencyTest, FiftyPlayersBrowseAndStreamWhileTheIndexIsRebuilt) {
    TB_REQUIRE_TOOL(DeviceSongMaker::ToolsPresent(), "lame or python3-mutagen");
    ChurnLibrary setup;
    DeviceLibrary expected = setup.Expected();
    ASSERT_TRUE(StoreShares(setup.config.Path(), expected.shares));
    ASSERT_TRUE(RunConfigCommand(setup.config.Path(), {"set", "General/MaxAutoUnits", "100"}));
    // Sanitizer reports of a sanitized build go to files the test reads.
    std::string reports = setup.reports / "report";
    ServerProcess server({"--config-dir", setup.config.Path()},
                         {"TSAN_OPTIONS=log_path=" + reports, "ASAN_OPTIONS=log_path=" + reports,
                          "UBSAN_OPTIONS=print_stacktrace=1 log_path=" + reports});
    server.WaitForIndex();
    int port = server.Port();

    DeviceSimulator first(port, "00c0ffee0000ffff");
    DeviceTree tree;
    {
        DeviceLogDrain drain(server);
        tree = DeviceWalk(first, expected).Run();
    }
    ASSERT_TRUE(first.Problems().empty()) << FirstProblems(first.Problems());
    Reference reference(tree);
    ASSERT_EQ(tree.nodes.at(reference.churnTop).item.name, "Zz Churn");

    std::vector<std::unique_ptr<Player>> players;
    for (int i = 0; i < Players; ++i)
        players.push_back(std::make_unique<Player>(port, i, reference, *setup.churn));
    auto deadline = Clock::now() + Duration;
    std::vector<std::thread> threads;
    for (auto& player : players)
        threads.emplace_back([&player, deadline] { player->Run(deadline); });
    int rebuilds = RebuildUntil(deadline, server, *setup.churn);
    {
        DeviceLogDrain drain(server);
        for (auto& thread : threads)
            thread.join();
    }
    EXPECT_GE(rebuilds, 5) << "-1: a rebuild did not end within a minute";

    std::vector<std::string> problems;
    Player::Counts all;
    for (const auto& player : players) {
        const auto& own = player->Device().Problems();
        problems.insert(problems.end(), own.begin(), own.end());
        const Player::Counts& done = player->Done();
        EXPECT_GT(done.pages, 0) << player->Device().Eui64();
        all.pages += done.pages;
        all.streams += done.streams;
        all.churnStreams += done.churnStreams;
        all.churnSilent += done.churnSilent;
    }
    EXPECT_TRUE(problems.empty()) << FirstProblems(problems);
    EXPECT_GT(all.streams, 0);
    EXPECT_GT(all.churnStreams, all.churnSilent);
    std::printf("%d rebuilds, %d pages, %d streams of unchanging songs, %d of changing songs "
                "(%d unanswered)\n",
                rebuilds, all.pages, all.streams, all.churnStreams, all.churnSilent);

    // Still answering, and the last build is the disk as it is now.
    DeviceSimulator last(port, "00c0ffee0000fffe");
    {
        DeviceLogDrain drain(server);
        DeviceWalk(last, setup.Expected()).Run();
    }
    EXPECT_TRUE(last.Problems().empty()) << FirstProblems(last.Problems());
    EXPECT_EQ(server.Stop(SIGTERM), 0);
    EXPECT_EQ(SanitizerReports(setup.reports.Path()), "");
}

} // namespace
} // namespace tb::test
