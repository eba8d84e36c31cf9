// The store prepared with `tunebridge config`, then the headless server
// indexing a generated library: first start, build log lines, SIGHUP.
#include "ServerProcess.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace tb::test {
namespace {

CommandResult Config(const TempDir& config, const std::string& arguments) {
    return RunCommand(std::string(TUNEBRIDGE_EXECUTABLE) + " config --config-dir " + config.Path() +
                      " " + arguments + " 2>&1");
}

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

TEST(LibraryTest, ConfiguredStoreIsIndexedAndReindexedOnHangup) {
    TempDir config, music;
    int nodes = MakeLibrary(music, "lib", 3, 2, 4);
    ASSERT_EQ(Config(config, "share add Library " + music / "lib").status, 0);
    ASSERT_EQ(Config(config, "user add 0123456789abcdef --name Kitchen --password x").status, 0);

    ServerProcess server({"--config-dir", config.Path()});
    EXPECT_NE(server.WaitForLine("Created " + std::to_string(nodes) + " nodes."), "");
    auto lines = server.Lines();
    auto at = [&](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) - lines.begin();
    };
    EXPECT_LT(at("Building shared file index..."), at("Building radio station index..."));
    EXPECT_LT(at("Building radio station index..."), at("Creating node index..."));
    EXPECT_LT(at("Creating node index..."), at("Created " + std::to_string(nodes) + " nodes."));
    EXPECT_EQ(at("Building genre directory..."), static_cast<long>(lines.size()));
    // A store prepared on the command line needs no first start.
    for (const auto& line : lines)
        EXPECT_EQ(line.find("First start"), std::string::npos) << line;

    // Every line carries the local time (no journal here).
    EXPECT_EQ(server.StampedLines(), lines.size());

    // A second share and the index settings changed while the server runs
    // are taken up by SIGHUP; a share whose folder went away is named.
    int more =
        MakeLibrary(music, "more", 1, 1, 3) - 2; // its own root and global stream don't count
    ASSERT_EQ(Config(config, "share add More " + music / "more").status, 0);
    ASSERT_EQ(Config(config, "share add Gone " + music.MakeDir("gone")).status, 0);
    std::filesystem::remove(music / "gone");
    ASSERT_EQ(Config(config, "set MP3/CreateGenreFolder 1").status, 0);
    kill(server.Pid(), SIGHUP);
    // Gone's folder, stream and Genre with "(unspecified)" too.
    EXPECT_NE(server.WaitForLine("Created " + std::to_string(nodes + more + 4) + " nodes."), "");
    EXPECT_NE(server.WaitForLine("Share 'Gone': cannot read the folder '" + music / "gone" +
                                 "' (No such file or directory)."),
              "");
    EXPECT_NE(server.WaitForLine("Building genre directory..."), "");
    EXPECT_EQ(server.Stop(SIGTERM), 0);
}

TEST(LibraryTest, CategoryFoldersAreBuiltWhenConfigured) {
    TempDir config, music;
    int nodes = MakeLibrary(music, "lib", 1, 1, 2);
    ASSERT_EQ(Config(config, "share add Library " + music / "lib").status, 0);
    CommandResult set = Config(config, "set MP3/CreateYearFolder 1");
    ASSERT_EQ(set.status, 0);
    EXPECT_NE(set.output.find("PreloadMp3Info"), std::string::npos);
    EXPECT_EQ(Config(config, "get MP3/PreloadMp3Info").output, "1\n");

    ServerProcess server({"--config-dir", config.Path()});
    // "Year" with one value folder, "(unspecified)": the files carry no tags.
    EXPECT_NE(server.WaitForLine("Created " + std::to_string(nodes + 2) + " nodes."), "");
    EXPECT_NE(server.WaitForLine("Building genre directory...", std::chrono::milliseconds(100)),
              "");
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
        std::string password =
            server.WaitForLine("First start: web user 'admin' has the password '");
        EXPECT_NE(password, "");
        EXPECT_NE(server.WaitForLine("Created " + std::to_string(nodes) + " nodes."), "");
    }
    EXPECT_EQ(Config(config, "share list").output,
              "My music\t" + music / "lib" + "\tcovers: no\t\n");
    EXPECT_EQ(Config(config, "user list").output.rfind("admin\tadmin\tallowed\tany address", 0),
              0u);
    ServerProcess again({"--config-dir", config.Path(), "--user", "bob:pw"});
    EXPECT_NE(again.WaitForLine("Already set up: --share and --user are ignored"), "");
    EXPECT_NE(again.WaitForLine("Created " + std::to_string(nodes) + " nodes."), "");
}

TEST(LibraryTest, ConfigCommandRefusesBadInputWithOneLine) {
    TempDir config;
    CommandResult unknown = Config(config, "set General/Nope 1");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.output,
              "tunebridge config: unknown setting 'General/Nope' (see 'tunebridge config list')\n");
    EXPECT_EQ(Config(config, "set General/LogHttpRequests yes").status, 1);
    EXPECT_EQ(Config(config, "set General/IPAddress 10.0.0.1").status, 1);
    EXPECT_EQ(Config(config, "share add X /does/not/exist").status, 1);
    EXPECT_EQ(Config(config, "share remove Nothing").status, 1);
    EXPECT_EQ(Config(config, "user add").status, 2);
    EXPECT_EQ(Config(config, "user add u --address 300.1.1.1").status, 1);
    EXPECT_EQ(Config(config, "frobnicate").status, 2);
    ASSERT_EQ(Config(config, "user add u --password p").status, 0);
    EXPECT_EQ(Config(config, "user add u --password q").status, 1);
    EXPECT_EQ(Config(config, "set General/IPAddress 127.0.0.1:8080").status, 0);
    EXPECT_EQ(Config(config, "get general/ipaddress").output, "127.0.0.1:8080\n");

    // Numbers are checked against the range the server accepts.
    const std::pair<std::string, std::string> outOfRange[] = {
        {"General/MaxConnections 70000", "1 to 65535"},
        {"General/IdleTimeoutSeconds 0", "1 to 86400"},
        {"General/SendTimeoutSeconds 86401", "1 to 86400"},
        {"General/MaxAutoUnits -1", "0 to 100000"},
        {"General/MaxAutoUnits 12x", "0 to 100000"},
    };
    for (const auto& [setting, range] : outOfRange) {
        CommandResult refused = Config(config, "set " + setting);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.output, "tunebridge config: " + setting.substr(0, setting.find(' ')) +
                                      ": expected a number from " + range + "\n");
    }
    EXPECT_EQ(Config(config, "set General/MaxAutoUnits 0").status, 0);
    EXPECT_EQ(Config(config, "get General/MaxAutoUnits").output, "0\n");
}

TEST(LibraryTest, DamagedStoreStopsTheServerWithAMessage) {
    TempDir config;
    config.Write("registry.db", std::string(4096, 'x'));
    ServerProcess server({"--config-dir", config.Path()});
    EXPECT_EQ(server.Stop(0, std::chrono::seconds(10)), 1);
    CommandResult list = Config(config, "list");
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.output.find("damaged"), std::string::npos) << list.output;
}

} // namespace
} // namespace tb::test
