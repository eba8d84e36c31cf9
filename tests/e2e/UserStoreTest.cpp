// What a running server writes to the store about devices, next to changes
// made with the config command at the same time.
#include "ServerProcess.h"
#include "support/DeviceSimulator.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace tb::test {
namespace {

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

} // namespace
} // namespace tb::test
