// Browsers on the endless random stream and on album zips, all at once,
// while the index is rebuilt every half second and one client stops
// reading: every stream keeps its ICY framing and sends whole song files,
// every zip is whole, the stalled client is let go after the send time-out
// without holding up the others, and the server ends cleanly. Built with
// the thread sanitizer, the server must also run without a race report.
#include "ServerProcess.h"
#include "support/AudioTools.h"
#include "support/LoopbackClient.h"
#include "support/RequireTool.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sstream>

namespace tb::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int Streams = 50, Zips = 20, SendTimeoutSeconds = 2;
constexpr auto LoadTime = 7s;
// A stream is read at a pace that takes about the most in the load time,
// so that the server's log and the test's memory stay small.
constexpr size_t MinStreamBytes = 300'000, MaxStreamBytes = 600'000, MetaInt = 5000;

struct Song {
    std::string title, bytes; // title: "artist / title" as the stream names it
};

std::string Request(const std::string& target, const std::string& more) {
    return "GET " + target +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic YW5uOnNlY3JldA==\r\n" + more +
           "\r\n";
}

Answer Get(int port, const std::string& target) {
    LoopbackClient client(port);
    client.Send(Request(target, "Connection: close\r\n"));
    return Answer::Parse(client.ReadResponse(30s));
}

// The node of the folder or random stream `name` listed on `parent`'s page; -1 when none.
int Child(int port, int parent, const std::string& name) {
    // The built-in page's folder items: href="/ID"><svg>...</svg><span>NAME<
    // (read by hand: GCC 12 warns inside std::regex at -O1).
    const std::string between = "\"><svg><use href=\"#if\"/></svg><span>";
    std::string page = Get(port, "/" + std::to_string(parent)).body;
    for (size_t at = page.find(between); at != std::string::npos; at = page.find(between, at + 1)) {
        size_t id = page.rfind("href=\"/", at) + 7, text = at + between.size();
        if (page.compare(text, name.size() + 1, name + "<") == 0)
            return std::stoi(page.substr(id, at - id));
    }
    return -1;
}

// Whether the server's end of the connection from `clientPort` is still
// established (it leaves that state when the server closes it, even while
// unsent bytes wait in its buffer).
bool ServerEndOpen(int serverPort, int clientPort) {
    char local[32], remote[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", serverPort);
    std::snprintf(remote, sizeof remote, "0100007F:%04X", clientPort);
    std::ifstream table("/proc/net/tcp");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string slot, from, to, state;
        fields >> slot >> from >> to >> state;
        if (from == local && to == remote)
            return state == "01";
    }
    return false;
}

// The audio is whole song files one after another, the last one cut
// anywhere; each title (at its audio offset) names the song under way when
// its block came. Empty, or what is wrong.
std::string CheckAudio(const std::string& audio,
                       const std::vector<std::pair<size_t, std::string>>& titles,
                       const std::vector<Song>& songs) {
    size_t t = 0;
    for (size_t at = 0, end; at < audio.size(); at = end) {
        std::vector<const Song*> fits; // more than one only for a short last piece
        for (const Song& song : songs) {
            size_t n = std::min(song.bytes.size(), audio.size() - at);
            if (audio.compare(at, n, song.bytes, 0, n) == 0)
                fits.push_back(&song);
        }
        if (fits.empty())
            return "the audio at " + std::to_string(at) + " starts no song file";
        end = at + fits[0]->bytes.size();
        for (; t < titles.size() && titles[t].first <= end; ++t)
            if (std::none_of(fits.begin(), fits.end(), [&](const Song* s) {
                    return titles[t].second.starts_with(s->title + " <");
                }))
                return "title '" + Printable(titles[t].second) + "' at " +
                       std::to_string(titles[t].first) + " is not the song under way";
    }
    return "";
}

// Reads a random stream with ICY metadata until `until`, checking every
// block as it comes. Empty, or what is wrong.
std::string ReadStream(int port, int node, Clock::time_point until,
                       const std::vector<Song>& songs) {
    LoopbackClient client(port);
    client.Send(Request("/P" + std::to_string(node), "Icy-MetaData: 1\r\n"));
    std::string pending, audio;
    std::vector<std::pair<size_t, std::string>> titles;
    bool header = false;
    size_t total = 0, untilBlock = MetaInt;
    for (auto start = Clock::now(); Clock::now() < until && total < MaxStreamBytes;) {
        double due = std::chrono::duration<double>(Clock::now() - start) / LoadTime;
        if (static_cast<double>(total) > due * MaxStreamBytes) {
            std::this_thread::sleep_for(10ms);
            continue;
        }
        std::string got = client.ReadAtLeast(1, 10s);
        if (got.empty())
            return "the stream ended or stalled after " + std::to_string(total) + " bytes";
        total += got.size();
        pending += got;
        if (!header) {
            size_t end = pending.find("\r\n\r\n");
            if (end == std::string::npos)
                continue;
            Answer answer = Answer::Parse(pending.substr(0, end + 4));
            if (answer.status != "HTTP/1.1 200 OK" || answer.Value("icy-metaint") != "5000")
                return "answer " + Printable(answer.raw);
            pending.erase(0, end + 4);
            header = true;
        }
        while (!pending.empty()) {
            if (untilBlock > 0) {
                size_t n = std::min(untilBlock, pending.size());
                audio.append(pending, 0, n);
                pending.erase(0, n);
                untilBlock -= n;
                continue;
            }
            size_t length = 16 * static_cast<unsigned char>(pending[0]);
            if (pending.size() < 1 + length)
                break;
            std::string block = pending.substr(1, length);
            std::string text = block.substr(0, block.find('\0'));
            pending.erase(0, 1 + length);
            untilBlock = MetaInt;
            if (length > 0 && (text.size() + 16 <= length || !text.starts_with("StreamTitle='") ||
                               !text.ends_with("';") ||
                               block.find_first_not_of('\0', text.size()) != std::string::npos))
                return "block after " + std::to_string(audio.size()) + ": " + Printable(block);
            if (length > 0)
                titles.emplace_back(audio.size(), text.substr(13, text.size() - 15));
        }
    }
    if (total < MinStreamBytes)
        return "only " + std::to_string(total) + " bytes";
    return CheckAudio(audio, titles, songs);
}

TEST(ConcurrencyTest, StreamsAndZipsHoldUpUnderReindexAndStalledClients) {
    TB_REQUIRE_TOOL(HaveLame(), "lame");
    TempDir music, config, work;
    std::vector<Song> songs;
    for (int n = 0; n < 12; ++n) {
        std::string title = "Song " + std::to_string(n), album = n < 6 ? "Album One" : "Album Two";
        std::string mp3 = music.MakeDir(album) + "/" + title + ".mp3";
        WriteToneWav(music / "tone.wav", 16000, 1, 2 + n % 3, 200.0 + 37.0 * n);
        ASSERT_TRUE(
            RunLame("-b 32 --cbr --id3v2-only --id3v2-latin1 --ta Band --tt " + ShellQuote(title),
                    music / "tone.wav", mp3));
        songs.push_back({"Band / " + title, ReadFileBytes(mp3)});
    }
    std::filesystem::remove(music / "tone.wav");
    // A store prepared by the command ignores --share and --user.
    for (const std::string& command : std::vector<std::string>{
             "share add 'My music' " + ShellQuote(music.Path()), "user add ann --password secret",
             "set General/SendTimeoutSeconds " + std::to_string(SendTimeoutSeconds)})
        ASSERT_EQ(Config(config.Path(), command).status, 0) << command;
    ServerProcess server({"--config-dir", config.Path()});
    server.WaitForIndex();
    const int port = server.Port();
    const int share = Child(port, 0, "My music"), stream = Child(port, share, "[Random stream]");
    const int album = Child(port, share, "Album One");
    ASSERT_TRUE(share > 0 && stream > 0 && album > 0) << share << " " << stream << " " << album;

    std::vector<std::string> problems(Streams + Zips);
    std::set<std::string> archives; // the distinct complete ones
    std::mutex archivesMutex;
    std::vector<std::thread> threads;
    const auto start = Clock::now(), until = start + LoadTime;
    for (int i = 0; i < Streams; ++i)
        threads.emplace_back([&, i] { problems[i] = ReadStream(port, stream, until, songs); });
    for (int i = 0; i < Zips; ++i)
        threads.emplace_back([&, i] {
            for (int done = 0; Clock::now() < until || done == 0; ++done) {
                Answer zip = Get(port, "/Z" + std::to_string(album));
                if (!zip.Complete() || zip.status != "HTTP/1.1 200 OK" ||
                    zip.Value("Content-type") != "application/zip") {
                    problems[Streams + i] =
                        "download " + std::to_string(done) + ": " + zip.Describe();
                    return;
                }
                {
                    std::lock_guard lock(archivesMutex);
                    archives.insert(zip.body);
                }
                std::this_thread::sleep_for(50ms); // keeps the log and the CPU for the others
            }
        });
    // One client asks for a stream and never reads: the server must cut it
    // once it took nothing for the send time-out, and serve others meanwhile.
    Clock::duration pageTime{}, releasedAfter{};
    bool drained = false;
    threads.emplace_back([&] {
        LoopbackClient stalled(port, {.receiveBuffer = 4096});
        stalled.Send(Request("/P" + std::to_string(stream), "Icy-MetaData: 1\r\n"));
        auto asked = Clock::now();
        std::this_thread::sleep_until(asked + 1s); // its buffers are full by now
        EXPECT_EQ(Get(port, "/").status, "HTTP/1.1 200 OK");
        pageTime = Clock::now() - asked - 1s;
        while (ServerEndOpen(port, stalled.LocalPort()) &&
               Clock::now() < asked + std::chrono::seconds(SendTimeoutSeconds) + 8s)
            std::this_thread::sleep_for(50ms);
        releasedAfter = Clock::now() - asked;
        drained = stalled.WaitClosed(5s); // what was buffered, then the end
    });
    int hangups = 0;
    for (auto tick = start + 500ms; tick < until; tick += 500ms, ++hangups) {
        std::this_thread::sleep_until(tick);
        kill(server.Pid(), SIGHUP);
    }
    for (auto& thread : threads)
        thread.join();

    for (int i = 0; i < Streams + Zips; ++i)
        EXPECT_EQ(problems[i], "") << (i < Streams ? "stream " : "zip ") << i;
    // Its buffers are full within moments; then one time-out, under load.
    EXPECT_LE(releasedAfter, std::chrono::seconds(SendTimeoutSeconds) + 2s)
        << "the stalled client was let go after "
        << std::chrono::duration<double>(releasedAfter).count() << " s";
    EXPECT_TRUE(drained) << "the stalled client's connection never ended";
    EXPECT_LT(pageTime, std::chrono::seconds(SendTimeoutSeconds)) << "a page waited on it";
    // Zipfile reads each distinct archive and compares it with the album.
    std::string zips;
    for (int n = 0; const std::string& archive : archives)
        zips += " " + ShellQuote(work.Write(std::to_string(n++) + ".zip", archive));
    CommandResult python = RunCommand(
        "python3 - " + ShellQuote(music / "Album One") + zips + " 2>&1 <<'EOF'\n" +
        "import os, sys, zipfile\n"
        "for path in sys.argv[2:]:\n"
        "    z = zipfile.ZipFile(path)\n"
        "    assert z.testzip() is None and sorted(z.namelist()) == "
        "sorted(os.listdir(sys.argv[1]))\n"
        "    for n in z.namelist():\n"
        "        assert z.read(n) == open(os.path.join(sys.argv[1], n), 'rb').read(), n\n"
        "EOF");
    EXPECT_FALSE(archives.empty());
    EXPECT_EQ(python.status, 0) << python.output;

    EXPECT_NE(server.WaitForLine("Created ", 10s, 1 + hangups / 2), "") << "too few rebuilds";
    EXPECT_EQ(Get(port, "/").status, "HTTP/1.1 200 OK");
    EXPECT_EQ(server.Stop(SIGTERM), 0);
    for (const std::string& line : server.Lines())
        EXPECT_FALSE(line.starts_with("Cannot ") || line.starts_with("The index could not"))
            << line;
    EXPECT_EQ(server.WaitForLine("Shutting down.", 0ms), "Shutting down.");
    EXPECT_EQ(server.SanitizerReports(), "");
}

} // namespace
} // namespace tb::test
