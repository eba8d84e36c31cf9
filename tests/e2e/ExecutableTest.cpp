// The real executable over loopback: the store prepared with `tunebridge
// config` and written by a running server at the same time, indexing a
// generated library (first start, build log lines, SIGHUP), start-up
// refusals, and ending on a signal with connections open.
#include "ServerProcess.h"
#include "support/DeviceSimulator.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace tb::test {
namespace {

using namespace std::chrono_literals;

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

bool Browse(int port, const std::string& identity) {
    return DeviceSimulator(port, identity).Browse(1, 0, 10).data.has_value();
}

// The config command and the running server change the user list at the
// same time; neither may lose what the other wrote.
TEST(UserStoreTest, ConfigCommandsDuringAFloodOfNewDevicesLoseNoEntry) {
    TempDir config, music;
    ASSERT_EQ(Config(config.Path(), "share add M " + music.MakeDir("m")).output, "");
    Config(config.Path(), "set General/MaxAutoUnits 1000");
    Config(config.Path(), "user add aaaaaaaaaaaa0001 --name Known --password x");
    constexpr int People = 10;
    ServerProcess server({"--config-dir", config.Path()}, {"JOURNAL_STREAM=8:1"});
    server.WaitForIndex();
    int port = server.Port();
    // A known device's first request binds it to its address.
    EXPECT_TRUE(Browse(port, "aaaaaaaaaaaa0001"));
    std::atomic<bool> peopleAdded{false};
    int devices = 0;
    // New devices arrive for as long as the commands run.
    std::thread arriving([&] {
        for (; !peopleAdded && devices < 900; ++devices)
            Browse(port, "00000000000" + std::to_string(10000 + devices));
    });
    for (int i = 0; i < People; ++i)
        EXPECT_EQ(
            Config(config.Path(), "user add person" + std::to_string(i) + " --password p").output,
            "");
    peopleAdded = true;
    arriving.join();
    EXPECT_NE(server.WaitForLine("New unit 'Unit 0000' (0000000000010000) admitted from "
                                 "127.0.0.1."),
              "");
    EXPECT_NE(
        server.WaitForLine("(00000000000" + std::to_string(10000 + devices - 1) + ") admitted"),
        "");
    std::string users = Config(config.Path(), "user list").output;
    EXPECT_EQ(std::count(users.begin(), users.end(), '\n'), 1 + devices + People) << users;
    for (const char* entry : {"aaaaaaaaaaaa0001\tKnown\tallowed\t127.0.0.1\t",
                              "person9\tperson9\tallowed\tany address\t",
                              "0000000000010000\tUnit 0000\tallowed\t127.0.0.1\t"})
        EXPECT_NE(users.find(entry), std::string::npos) << entry << " in " << users;
    // Under systemd's journal the lines carry no time of their own.
    EXPECT_EQ(server.StampedLines(), 0u);
}

// "-" reads the password from standard input, out of the process list.
TEST(UserStoreTest, APasswordCanComeFromStandardInput) {
    TempDir config;
    std::string command =
        std::string(TUNEBRIDGE_EXECUTABLE) + " config --config-dir " + config.Path() + " user add ";
    EXPECT_EQ(RunCommand("printf 'se cret\\n' | " + command + "bob --password -").status, 0);
    EXPECT_EQ(RunCommand("sqlite3 " + config / "registry.db" +
                         " \"SELECT data FROM registry_value WHERE name = 'Password'\"")
                  .output,
              "se cret\n"); // the shell shows the text up to its NUL
    CommandResult empty = RunCommand("printf '' | " + command + "eve --password - 2>&1");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.output, "tunebridge config: no password on standard input\n");
}

TEST(ListenerTest, StartUpRefusalsAndTheTermSignal) {
    ServerProcess first;
    first.WaitForIndex();
    std::string configDir = first.ConfigDir();
    std::string start =
        "timeout 20 " + std::string(TUNEBRIDGE_EXECUTABLE) + " --headless --port 0 --config-dir ";
    CommandResult second = RunCommand(start + configDir + " --bind 127.0.0.1 2>&1 >/dev/null");
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.output,
              "tunebridge: another Tune Bridge server uses the configuration folder " + configDir +
                  "\n");
    TempDir other;
    CommandResult foreign = RunCommand(start + other.Path() + " --bind 192.0.2.1 2>&1 >/dev/null");
    EXPECT_EQ(foreign.status, 1);
    EXPECT_EQ(foreign.output, "tunebridge: 192.0.2.1 is not an address of this machine\n");
    TempDir damaged;
    damaged.Write("registry.db", std::string(4096, 'x'));
    CommandResult broken = RunCommand(start + damaged.Path() + " 2>&1 >/dev/null");
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.output.find("damaged"), std::string::npos) << broken.output;

    LoopbackClient idle(first.Port()), partial(first.Port());
    partial.Send("GET /x HTTP/1.1\r\n");
    std::this_thread::sleep_for(100ms);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(first.Stop(SIGTERM), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(idle.WaitClosed(1s));
    EXPECT_NE(first.WaitForLine("Shutting down.", 0s), "");
}

} // namespace
} // namespace tb::test
