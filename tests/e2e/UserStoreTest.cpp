// What a running server writes to the store about users and devices, next
// to changes made with the config command at the same time.
#include "ServerProcess.h"
#include "support/LoopbackClient.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace tb::test {
namespace {

std::string ConfigOutput(const TempDir& config, const std::string& arguments) {
    return RunCommand(std::string(TUNEBRIDGE_EXECUTABLE) + " config --config-dir " + config.Path() +
                      " " + arguments + " 2>&1")
        .output;
}

std::string Browse(int port, const std::string& identity) {
    std::string body = "<Request><NodeID>1</NodeID></Request>";
    return Exchange(port, "POST /?eui64=" + identity +
                              " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                              "User-Agent: Streamium/1.0\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body);
}

TEST(UserStoreTest, DeviceChangesAreSavedWithoutLosingUsersAddedMeanwhile) {
    TempDir config, music;
    music.MakeDir("m");
    ASSERT_EQ(ConfigOutput(config, "share add M " + music / "m"), "");
    ConfigOutput(config, "user add aaaaaaaaaaaa0001 --name Known --password x");
    {
        ServerProcess server({"--config-dir", config.Path()});
        server.WaitForIndex();
        int port = server.Port();
        // Added while the server runs; the server's own saves must keep it.
        ConfigOutput(config, "user add bob --password pw");
        EXPECT_NE(Browse(port, "aaaaaaaaaaaa0001").find("<contentdataset>"), std::string::npos);
        EXPECT_NE(Browse(port, "bbbbbbbbbbbb0002").find("<contentdataset>"), std::string::npos);
        EXPECT_NE(
            server.WaitForLine("New unit 'Unit 0002' (bbbbbbbbbbbb0002) admitted from 127.0.0.1."),
            "");
    }
    std::string users = ConfigOutput(config, "user list");
    EXPECT_NE(users.find("aaaaaaaaaaaa0001\tKnown\tallowed\t127.0.0.1\t"), std::string::npos)
        << users;
    EXPECT_NE(users.find("bob\tbob\tallowed\tany address\t"), std::string::npos) << users;
    EXPECT_NE(users.find("bbbbbbbbbbbb0002\tUnit 0002\tallowed\t127.0.0.1\t"), std::string::npos)
        << users;
}

// The config command and the running server change the user list at the
// same time; neither may lose what the other wrote.
TEST(UserStoreTest, ConfigCommandsDuringAFloodOfNewDevicesLoseNoEntry) {
    TempDir config, music;
    music.MakeDir("m");
    ConfigOutput(config, "share add M " + music / "m");
    ConfigOutput(config, "set General/MaxAutoUnits 1000");
    constexpr int People = 10;
    ServerProcess server({"--config-dir", config.Path()}, {"JOURNAL_STREAM=8:1"});
    server.WaitForIndex();
    int port = server.Port();
    std::atomic<bool> peopleAdded{false};
    int devices = 0;
    // New devices arrive for as long as the commands run.
    std::thread arriving([&] {
        for (; !peopleAdded && devices < 900; ++devices)
            Browse(port, "00000000000" + std::to_string(10000 + devices));
    });
    for (int i = 0; i < People; ++i)
        EXPECT_EQ(ConfigOutput(config, "user add person" + std::to_string(i) + " --password p"),
                  "");
    peopleAdded = true;
    arriving.join();
    EXPECT_NE(
        server.WaitForLine("(00000000000" + std::to_string(10000 + devices - 1) + ") admitted"),
        "");
    std::string users = ConfigOutput(config, "user list");
    EXPECT_EQ(std::count(users.begin(), users.end(), '\n'), devices + People) << users;
    // Under systemd's journal the lines carry no time of their own.
    EXPECT_EQ(server.StampedLines(), 0u);
}

// "-" reads the password from standard input, out of the process list.
TEST(UserStoreTest, APasswordCanComeFromStandardInput) {
    TempDir config;
    std::string command = "user add bob --password -";
    EXPECT_EQ(RunCommand("printf 'se cret\\n' | " + std::string(TUNEBRIDGE_EXECUTABLE) +
                         " config --config-dir " + config.Path() + " " + command)
                  .status,
              0);
    std::string stored = RunCommand("sqlite3 " + config / "registry.db" +
                                    " \"SELECT data FROM registry_value WHERE name = 'Password'\"")
                             .output;
    EXPECT_EQ(stored, "se cret\n"); // the shell shows the text up to its NUL
    CommandResult empty =
        RunCommand("printf '' | " + std::string(TUNEBRIDGE_EXECUTABLE) + " config --config-dir " +
                   config.Path() + " " + "user add eve --password - 2>&1");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.output, "tunebridge config: no password on standard input\n");
}

TEST(UserStoreTest, RefusedOrUnlikelyDevicesAddNothing) {
    TempDir config, music;
    music.MakeDir("m");
    ConfigOutput(config, "share add M " + music / "m");
    ConfigOutput(config, "user add cccccccccccc0003 --password x --disallow");
    ConfigOutput(config, "set General/AutoAuthorizeUnits 1");
    {
        ServerProcess server({"--config-dir", config.Path()});
        server.WaitForIndex();
        int port = server.Port();
        const std::string forbidden =
            "<contentdataset><contentdata><name>Access forbidden!</name><nodeid>1</nodeid><branch/>"
            "</contentdata><totnumelem>1</totnumelem><fromindex>0</fromindex><numelem>1</numelem>"
            "</contentdataset>";
        std::string answer = Browse(port, "cccccccccccc0003");
        ASSERT_NE(answer.find("\r\n\r\n"), std::string::npos);
        EXPECT_EQ(answer.substr(answer.find("\r\n\r\n") + 4), forbidden);
        EXPECT_NE(Browse(port, "").find("<name>Access forbidden!</name>"), std::string::npos);
        EXPECT_NE(Browse(port, std::string(200, 'a')).find("<name>Access forbidden!</name>"),
                  std::string::npos);
    }
    std::string users = ConfigOutput(config, "user list");
    EXPECT_EQ(std::count(users.begin(), users.end(), '\n'), 1) << users;
}

} // namespace
} // namespace tb::test
