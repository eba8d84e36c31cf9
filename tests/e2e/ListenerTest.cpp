// What only the real executable shows about starting and ending: start-up
// refusals end the program with status 1 and one line that says what is
// wrong; a signal ends it promptly with connections open.
#include "ServerProcess.h"
#include "support/LoopbackClient.h"

#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace tb::test {
namespace {

using namespace std::chrono_literals;

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
    CommandResult list = Config(damaged.Path(), "list");
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.output.find("damaged"), std::string::npos) << list.output;

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
