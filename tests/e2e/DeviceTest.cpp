// A simulated player browses and plays a generated library of real MP3
// files through the real server; curl and mpg123 check the streams from
// outside.
#include "DeviceLibrary.h"
#include "DeviceLogDrain.h"
#include "DeviceSimulator.h"
#include "DeviceWalk.h"
#include "ServerProcess.h"
#include "support/RequireTool.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>

namespace tb::test {
namespace {

// Three shares: nested albums with full tags; odd file and folder names
// (spaces, "&", "<", bytes that are not UTF-8, the 0x8F byte, hidden
// entries, an empty folder, an upper-case extension) with odd or missing
// tags; and a deep tree with partial tags. "beta" sorts between the other
// two only when case is ignored.
DeviceLibrary MakeLibrary(const TempDir& music) {
    DeviceSongMaker maker(music / ".staging");
    int n = 0;
    auto add = [&](const std::string& path, DeviceSongTags tags) {
        maker.Add(path, 1 + (n % 6) + (n % 17 == 5 ? 10 : 0), tags);
        ++n;
    };
    for (int a = 1; a <= 3; ++a)
        for (int b = 1; b <= 2; ++b)
            for (int s = 1; s <= 4; ++s) {
                std::string artist = "Artist " + std::to_string(a);
                std::string album = "Album " + std::to_string(a) + "." + std::to_string(b);
                std::string title =
                    "Song " + std::to_string(a) + std::to_string(b) + std::to_string(s);
                add(music / ("alpha/" + artist + "/" + album + "/0" + std::to_string(s) + " - " +
                             title + ".mp3"),
                    {title, artist, album, std::to_string(s), "Rock", std::to_string(1990 + a)});
            }
    const char* oddNames[] = {"with  two  spaces .mp3", "Rock & Roll.mp3",   "a<b>c.mp3",
                              "caf\xE9 latin1.mp3",     "\xFF\xFE raw.mp3",  "upper case.MP3",
                              "mark\x8Fin between.mp3", "[brackets].mp3",    "~tilde.mp3",
                              "0 - zero.mp3",           "quote's \"q\".mp3", "zzz last.mp3"};
    for (const char* name : oddNames)
        add(music / (std::string("beta/") + name), {});
    add(music / "beta/Odd \xE9 folder/tagged.mp3",
        {"Tom & Jerry <live>", "AC/DC & <Friends>", "Caf\xE9 Album", "7", "Jazz", "2001"});
    add(music / "beta/Odd \xE9 folder/title only.mp3", {"Only a title", "", "", "", "", ""});
    add(music / "beta/ spaces  in  folder /artist only.mp3", {"", "Lonely Artist", "", "", "", ""});
    add(music / "beta/Tom & Jerry <Live>/x\x8F.mp3", {});
    add(music / "beta/.hidden folder/never.mp3", {});
    add(music / "beta/.hidden.mp3", {});
    std::string path = "gamma";
    for (int level = 1; level <= 4; ++level) {
        path += "/Level " + std::to_string(level);
        for (int s = 1; s <= 3; ++s)
            add(music / (path + "/deep " + std::to_string(level) + std::to_string(s) + ".mp3"),
                {"Deep " + std::to_string(level) + std::to_string(s), "", "Depths", "", "", ""});
    }
    add(music / "gamma/top song.mp3", {"Top", "Gamma", "Surface", "1", "Pop", "2020"});

    DeviceLibrary library;
    library.shares = {{"Gamma Deep", music / "gamma"},
                      {"Alpha Rock", music / "alpha"},
                      {"beta & <odd> names", music / "beta"}};
    for (DeviceSong& song : maker.Make())
        if (song.path.find("/.") == std::string::npos)
            library.songs.push_back(std::move(song));
    music.MakeDir("beta/empty folder");
    music.Write("beta/notes.txt", "not a song");
    music.Write("beta/not a song.mp3.txt", "not a song either");
    return library;
}

// Runs `command` with bash, failing when any part of a pipeline fails.
CommandResult Shell(const std::string& command) {
    return RunCommand("bash -c " + ShellQuote("set -o pipefail; " + command));
}

std::string Curl(const std::string& options, const std::string& url) {
    return "curl -s --noproxy '*' --max-time 60 -A 'Streamium/1.0' " + options + " " +
           ShellQuote(url);
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        TB_REQUIRE_TOOL(DeviceSongMaker::ToolsPresent(), "lame or python3-mutagen");
        library_ = MakeLibrary(music_);
        ASSERT_TRUE(StoreShares(config_.Path(), library_.shares));
        server_ = std::make_unique<ServerProcess>(
            std::vector<std::string>{"--config-dir", config_.Path()});
        server_->WaitForIndex();
        port_ = server_->Port();
    }

    // Walks the whole library with a fresh device while the log is drained.
    DeviceTree Walk(DeviceSimulator& device) {
        DeviceLogDrain drain(*server_);
        return DeviceWalk(device, library_).Run();
    }

    // The stream URL and song of the first walked song whose path ends so.
    std::pair<std::string, const DeviceSong*> Find(const DeviceTree& tree,
                                                   const std::string& ending) {
        for (const auto& [id, node] : tree.nodes)
            if (node.song && node.song->path.size() >= ending.size() &&
                node.song->path.compare(node.song->path.size() - ending.size(), ending.size(),
                                        ending) == 0)
                return {node.item.url, node.song};
        ADD_FAILURE() << "no song ends with " << ending;
        return {"", nullptr};
    }

    static void ExpectNoProblems(const DeviceSimulator& device) {
        const auto& problems = device.Problems();
        EXPECT_TRUE(problems.empty()) << problems.size() << " problems, the first: " << [&] {
            std::string text;
            for (size_t i = 0; i < problems.size() && i < 25; ++i)
                text += "\n  " + problems[i];
            return text;
        }();
    }

    TempDir music_, config_;
    DeviceLibrary library_;
    std::unique_ptr<ServerProcess> server_;
    int port_ = 0;
};

TEST_F(DeviceTest, EverySongIsListedWhereItsFileIsAndStreamsByteForByte) {
    DeviceSimulator device(port_, "00a1b2c3d4e5f601");
    DeviceTree tree = Walk(device);
    ExpectNoProblems(device);
    EXPECT_EQ(tree.songsStreamed, static_cast<int>(library_.songs.size()));
    EXPECT_GE(library_.songs.size(), 50u);
    EXPECT_EQ(tree.randomStreamsChecked, 4); // one per share and the global one
    EXPECT_GT(tree.superScrollProbes, 100);
    EXPECT_NE(server_->WaitForLine("New unit 'Unit f601' (00a1b2c3d4e5f601) admitted from "
                                   "127.0.0.1."),
              "");
}

TEST_F(DeviceTest, TwoDevicesWalkingOneAfterTheOtherSeeTheSameTree) {
    DeviceSimulator first(port_, "00a1b2c3d4e5f601"), second(port_, "00a1b2c3d4e5f602");
    DeviceTree a = Walk(first);
    DeviceTree b = Walk(second);
    ExpectNoProblems(first);
    ExpectNoProblems(second);
    EXPECT_EQ(a.etag, b.etag);
    ASSERT_EQ(a.nodes.size(), b.nodes.size());
    for (const auto& [id, node] : a.nodes) {
        const DeviceNode& other = b.nodes.at(id);
        EXPECT_EQ(node.item.name, other.item.name) << id;
        EXPECT_EQ(node.song, other.song) << id;
        if (node.kind != DeviceNode::Kind::RandomStream) {
            EXPECT_EQ(node.children, other.children) << id;
        }
    }
}

TEST_F(DeviceTest, Mpg123DecodesTheStreamAsItDecodesTheFile) {
    DeviceSimulator device(port_, "00a1b2c3d4e5f603");
    DeviceTree tree = Walk(device);
    for (const char* ending : {"/01 - Song 111.mp3", "/Odd \xE9 folder/tagged.mp3", "/a<b>c.mp3"}) {
        auto [url, song] = Find(tree, ending);
        if (!song)
            continue;
        CommandResult streamed = Shell(Curl("", url) + " | mpg123 -q -s -");
        CommandResult local = Shell("mpg123 -q -s " + ShellQuote(song->path));
        EXPECT_EQ(streamed.status, 0) << ending;
        EXPECT_EQ(local.status, 0) << ending;
        EXPECT_TRUE(streamed.output == local.output) << ending;
        // 16-bit mono at 16 kHz: the tone's length plus at most the coder's delay and padding.
        size_t samples = streamed.output.size() / 2;
        EXPECT_GE(samples, 16000u * song->seconds) << ending;
        EXPECT_LE(samples, 16000u * song->seconds + 2 * 576 * 2) << ending;
    }
}

TEST_F(DeviceTest, CurlWithARangeGetsExactlyTheTailOfTheFile) {
    DeviceSimulator device(port_, "00a1b2c3d4e5f604");
    DeviceTree tree = Walk(device);
    auto [url, song] = Find(tree, "/Level 4/deep 43.mp3");
    ASSERT_NE(song, nullptr);
    ASSERT_GT(song->bytes.size(), 3000u);
    std::string tail = song->bytes.substr(1000);
    CommandResult byOption = Shell(Curl("-r 1000-", url));
    CommandResult byHeader = Shell(Curl("-H 'Range: bytes=1000-'", url));
    CommandResult whole = Shell(Curl("", url));
    EXPECT_EQ(byOption.status, 0); // curl fails on a body shorter than announced
    EXPECT_TRUE(byOption.output == tail) << byOption.output.size() << " bytes";
    EXPECT_EQ(byHeader.status, 0);
    EXPECT_TRUE(byHeader.output == tail) << byHeader.output.size() << " bytes";
    EXPECT_EQ(whole.status, 0);
    EXPECT_TRUE(whole.output == song->bytes) << whole.output.size() << " bytes";
    CommandResult head = Shell(Curl("-r 1000- -D - -o /dev/null", url));
    EXPECT_NE(head.output.find("\r\nContent-Length: " + std::to_string(tail.size()) + "\r\n"),
              std::string::npos)
        << head.output;
}

TEST_F(DeviceTest, CurlSeesTheTaggedNamesInIcyName) {
    DeviceSimulator device(port_, "00a1b2c3d4e5f605");
    DeviceTree tree = Walk(device);
    const std::pair<const char*, std::string> cases[] = {
        {"/01 - Song 121.mp3", "Artist 1 - Album 1.2 - Song 121"},
        {"/Odd \xE9 folder/tagged.mp3", "AC/DC & <Friends> - Caf\xE9 Album - Tom & Jerry <live>"},
        {"/title only.mp3", " -  - Only a title"},
        {"/Rock & Roll.mp3", "Rock & Roll"}, // no tag: the file name without ".mp3"
        {"/upper case.MP3", "upper case"},
    };
    for (const auto& [ending, expected] : cases) {
        auto [url, song] = Find(tree, ending);
        if (!song)
            continue;
        CommandResult head = Shell(Curl("-D - -o /dev/null", url));
        EXPECT_EQ(head.status, 0) << ending;
        EXPECT_NE(head.output.find("\r\nicy-name: " + expected + "\r\n"), std::string::npos)
            << ending << ": " << Printable(head.output);
        EXPECT_NE(head.output.find("\r\nContent-type: audio/mp3\r\n"), std::string::npos);
    }
}

} // namespace
} // namespace tb::test
