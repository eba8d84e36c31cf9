// The listener: its start line, restarts with changed settings, a port
// that is taken, and ending with connections still open.
#include "support/ChangeSettings.h"
#include "support/TestServer.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tb::test {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

const std::string Problem = "Tune Bridge problem: Unable to listen for users on selected "
                            "port.\r\nPlease close any other server software if running on the "
                            "same port.";

// Another program's listener on 127.0.0.1, on a port the system picks.
struct ForeignListener {
    ForeignListener() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), size), 0);
        EXPECT_EQ(::listen(fd, 1), 0);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
        port = ntohs(a.sin_port);
    }
    ~ForeignListener() { ::close(fd); }
    Settings OnItsPort() const {
        Settings s = LoopbackSettings();
        s.localAddress.SetPort(static_cast<uint16_t>(port));
        return s;
    }

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port = 0;
};

std::string StartLine(int port) {
    return "Server started at 127.0.0.1:" + std::to_string(port);
}

std::string Served(int port, const std::string& path) {
    LoopbackClient client(port);
    client.Send("GET " + path + " HTTP/1.0\r\n\r\n");
    return Answer::Parse(client.ReadResponse()).body;
}

TEST(StreamServerTest, StopRestartsWithTheCurrentSettingsAndKeepsOpenConnections) {
    TestServer server;
    int oldPort = server.StartAndWait();
    ASSERT_NE(oldPort, 0);
    EXPECT_THAT(server.log.Lines(), ElementsAre(StartLine(oldPort)));
    EXPECT_FALSE(server.log.Attention().IsSet());
    LoopbackClient kept(oldPort);
    kept.Send("GET /before HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Answer::Parse(kept.ReadResponse()).body, "/before");

    int newPort = ForeignListener().port; // free again
    ChangeSettings(server.settings, [&](Settings& s) { s.localAddress.SetPort(newPort); });
    server.server.Stop();
    ASSERT_EQ(server.WaitStarted(2), newPort);
    kept.Send("GET /after HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Answer::Parse(kept.ReadResponse()).body, "/after");
    EXPECT_EQ(Served(newPort, "/fresh"), "/fresh");
    EXPECT_FALSE(LoopbackClient::Reachable(oldPort));

    // Unchanged settings listen again on the same port, though a
    // connection there is in TIME_WAIT.
    server.server.Stop();
    ASSERT_EQ(server.WaitStarted(3), newPort);
    EXPECT_THAT(server.log.Lines(),
                ElementsAre(StartLine(oldPort), "Restarting server.", StartLine(newPort),
                            "Restarting server.", StartLine(newPort)));
}

TEST(StreamServerTest, PortInUseIsReportedOnceAndListeningResumesWhenFreed) {
    auto other = std::make_unique<ForeignListener>();
    int port = other->port;
    TestServer server(other->OnItsPort());
    server.Start();
    ASSERT_TRUE(server.log.Attention().Wait(10000));
    // The attention event resets when it lets a waiter through, so seeing it
    // again proves another attempt was made, and that attempt must not
    // notify a second time. The reason is told once too, with the address.
    ASSERT_TRUE(server.log.Attention().Wait(10000));
    const std::string reason =
        "Cannot listen at 127.0.0.1:" + std::to_string(port) + ": Address already in use";
    EXPECT_THAT(server.log.Lines(), ElementsAre(Problem, reason));
    other.reset();
    ASSERT_EQ(server.WaitStarted(), port);
    EXPECT_THAT(
        server.log.Lines(),
        ElementsAre(Problem, reason, "Tune Bridge: Now listening for users.", StartLine(port)));
    EXPECT_EQ(Served(port, "/served"), "/served");
}

TEST(StreamServerTest, QuitWhileWaitingToRetryEndsTheServer) {
    ForeignListener other;
    TestServer server(other.OnItsPort());
    server.Start();
    ASSERT_NE(server.log.WaitForPrefix("Cannot listen at "), "");
    EXPECT_TRUE(server.Shutdown());
}

TEST(StreamServerTest, QuitEndsEveryThreadWithIdleAndHalfSentConnectionsOpen) {
    TestServer server;
    int port = server.StartAndWait();
    ASSERT_NE(port, 0);
    LoopbackClient silent(port), halfSent(port), halfPost(port), between(port);
    halfSent.Send("GET /partial HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Ag");
    halfPost.Send("POST /nav HTTP/1.1\r\nContent-Length: 500\r\n\r\n<x>");
    between.Send("GET /served HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Answer::Parse(between.ReadResponse()).body, "/served");
    EXPECT_TRUE(server.Shutdown());
    for (LoopbackClient* client : {&silent, &halfSent, &halfPost, &between})
        EXPECT_TRUE(client->WaitClosed(1s));
    EXPECT_FALSE(LoopbackClient::Reachable(port));
}

} // namespace
} // namespace tb::test
