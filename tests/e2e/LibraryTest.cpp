// The store prepared with `tunebridge config`, then the headless server
// indexing a generated library: first start, build log lines, SIGHUP.
#include "ServerProcess.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace tb::test {
namespace {

// A library of `artists` folders with `albums` album folders of `songs`
// songs each; returns the number of nodes a build makes of it as one share
// (root, global stream, share folder and its stream, folders, songs).
int MakeLibrary(const TempDir& dir, const std::string& top, int artists, int albums, int songs) {
    for (int a = 0; a < artists; ++a)
        for (int b = 0; b < albums; ++b)
            for (int s = 0; s < songs; ++s)
                dir.Write(top + "/Artist " + std::to_string(a) + "/Album " + std::to_string(b) +
                              "/0" + std::to_string(s) + " - Song.mp3",
                          "not really audio");
    return 4 + artists + artists * albums + artists * albums * songs;
}

std::string Created(int nodes) {
    return "Created " + std::to_string(nodes) + " nodes.";
}

TEST(LibraryTest, ConfiguredStoreIsIndexedAndReindexedOnHangup) {
    TempDir config, music;
    int nodes = MakeLibrary(music, "lib", 3, 2, 4);
    ASSERT_EQ(Config(config.Path(), "share add Library " + music / "lib").status, 0);
    ASSERT_EQ(Config(config.Path(), "user add 0123456789abcdef --name K --password x").status, 0);
    // A year folder needs the tags read while indexing.
    CommandResult year = Config(config.Path(), "set MP3/CreateYearFolder 1");
    ASSERT_EQ(year.status, 0);
    EXPECT_NE(year.output.find("PreloadMp3Info"), std::string::npos);
    EXPECT_EQ(Config(config.Path(), "get MP3/PreloadMp3Info").output, "1\n");

    ServerProcess server({"--config-dir", config.Path()});
    // "Year" with one value folder, "(unspecified)": the files carry no tags.
    EXPECT_NE(server.WaitForLine(Created(nodes + 2)), "");
    EXPECT_NE(server.WaitForLine("Indexed 9 folders and 24 songs."), "");
    auto lines = server.Lines();
    auto at = [&](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) - lines.begin();
    };
    EXPECT_LT(at("Building shared file index..."), at("Building radio station index..."));
    EXPECT_LT(at("Building radio station index..."), at("Creating node index..."));
    EXPECT_LT(at("Creating node index..."), at(Created(nodes + 2)));
    // A store prepared on the command line needs no first start.
    for (const auto& line : lines)
        EXPECT_EQ(line.find("First start"), std::string::npos) << line;
    // Every line carries the local time (no journal here).
    EXPECT_EQ(server.StampedLines(), lines.size());

    // A second share and the index settings changed while the server runs
    // are taken up by SIGHUP; a share whose folder went away is named.
    int more = MakeLibrary(music, "more", 1, 1, 3) - 2; // its own root and global stream
    ASSERT_EQ(Config(config.Path(), "share add More " + music / "more").status, 0);
    ASSERT_EQ(Config(config.Path(), "share add Gone " + music.MakeDir("gone")).status, 0);
    std::filesystem::remove(music / "gone");
    ASSERT_EQ(Config(config.Path(), "set MP3/CreateGenreFolder 1").status, 0);
    kill(server.Pid(), SIGHUP);
    // Gone's folder and stream, Genre with "(unspecified)".
    EXPECT_NE(server.WaitForLine(Created(nodes + 2 + more + 4)), "");
    EXPECT_NE(server.WaitForLine("Share 'Gone': cannot read the folder '" + music / "gone" +
                                 "' (No such file or directory)."),
              "");
    EXPECT_EQ(server.Stop(SIGTERM), 0);
}

TEST(LibraryTest, FirstStartCreatesShareAndUserOnce) {
    TempDir config, music;
    int nodes = MakeLibrary(music, "lib", 1, 1, 1);
    {
        // A relative folder is stored as an absolute one.
        ServerProcess server({"--config-dir", config.Path(), "--share", "./lib/"}, {},
                             music.Path());
        EXPECT_NE(
            server.WaitForLine("First start: sharing '" + music / "lib" + "' as \"My music\"."),
            "");
        EXPECT_NE(server.WaitForLine("First start: web user 'admin' has the password '"), "");
        EXPECT_NE(server.WaitForLine(Created(nodes)), "");
    }
    EXPECT_EQ(Config(config.Path(), "share list").output,
              "My music\t" + music / "lib" + "\tcovers: no\t\n");
    EXPECT_EQ(
        Config(config.Path(), "user list").output.rfind("admin\tadmin\tallowed\tany address", 0),
        0u);
    ServerProcess again({"--config-dir", config.Path(), "--user", "bob:pw"});
    EXPECT_NE(again.WaitForLine("Already set up: --share and --user are ignored"), "");
    EXPECT_NE(again.WaitForLine(Created(nodes)), "");
}

// Refusals end with status 1 and one line (a usage error with 2); numbers
// are checked against the range the server accepts.
TEST(LibraryTest, TheConfigCommandRefusesBadInputWithOneLine) {
    TempDir config;
    ASSERT_EQ(Config(config.Path(), "user add u --password p").status, 0);
    const std::string range = "tunebridge config: General/";
    const struct {
        std::string arguments;
        int status;
        std::string output; // checked when not empty
    } cases[] = {
        {"set General/Nope 1", 1,
         "tunebridge config: unknown setting 'General/Nope' (see 'tunebridge config list')\n"},
        {"set General/MaxConnections 70000", 1,
         range + "MaxConnections: expected a number from 1 to 65535\n"},
        {"set General/IdleTimeoutSeconds 0", 1,
         range + "IdleTimeoutSeconds: expected a number from 1 to 86400\n"},
        {"set General/SendTimeoutSeconds 86401", 1,
         range + "SendTimeoutSeconds: expected a number from 1 to 86400\n"},
        {"set General/MaxAutoUnits -1", 1,
         range + "MaxAutoUnits: expected a number from 0 to 100000\n"},
        {"set General/MaxAutoUnits 12x", 1,
         range + "MaxAutoUnits: expected a number from 0 to 100000\n"},
        {"set General/LogHttpRequests yes", 1, ""},
        {"set General/IPAddress 10.0.0.1", 1, ""},
        {"share add X /does/not/exist", 1, ""},
        {"share remove Nothing", 1, ""},
        {"user add u --password q", 1, ""},
        {"user add v --address 300.1.1.1", 1, ""},
        {"user add", 2, ""},
        {"frobnicate", 2, ""},
        {"", 2, ""},
        // The last of an option given twice counts.
        {"share add C " + config.Path() + " --covers --description A --description B", 0, ""},
        {"share list", 0, "C\t" + config.Path() + "\tcovers: yes\tB\n"},
        {"set General/IPAddress 127.0.0.1:8080", 0, ""},
        {"get general/ipaddress", 0, "127.0.0.1:8080\n"},
        {"set General/MaxAutoUnits 0", 0, ""},
        {"get General/MaxAutoUnits", 0, "0\n"},
    };
    for (const auto& c : cases) {
        CommandResult result = Config(config.Path(), c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        if (!c.output.empty()) {
            EXPECT_EQ(result.output, c.output) << c.arguments;
        } else if (c.status == 1) {
            EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1)
                << result.output;
        }
    }
    // The server's own command line: a user without a password is refused
    // (should it start anyway, it is stopped after 5 s).
    EXPECT_EQ(RunCommand("timeout 5 " + std::string(TUNEBRIDGE_EXECUTABLE) +
                         " --headless --bind 127.0.0.1 --port 0 --config-dir " + config.Path() +
                         " --user bob: 2>&1")
                  .status,
              2);
}

} // namespace
} // namespace tb::test
