// The listener and its connections on the wire: the start line, a port that
// is taken, which requests are served, when a connection closes, how long it
// waits, how many are served at once, and ending with connections still open.
#include "server/ProgramTime.h"
#include "support/ChangeSettings.h"
#include "support/TestServer.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

std::string Body(LoopbackClient& client) {
    return Answer::Parse(client.ReadResponse()).body;
}

std::string Rest(LoopbackClient& client) {
    std::string rest;
    return client.WaitClosed(10s, &rest) ? rest : "(still open)";
}

std::string StartLine(int port) {
    return "Server started at 127.0.0.1:" + std::to_string(port);
}

class ConnectionTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.StartAndWait(), 0); }

    TestServer server;
};

// The echo handlers answer a browser GET with its path. HTTP/1.0, an
// HTTP/1.1 "Connection: close" and any method but GET and POST end the
// connection.
TEST_F(ConnectionTest, RequestsThatEndTheConnectionAndQuittingWithConnectionsOpen) {
    LoopbackClient old(server.port), closing(server.port), odd(server.port);
    old.Send("GET /only HTTP/1.0\r\n\r\nGET /never HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Body(old), "/only");
    EXPECT_EQ(Rest(old), "");
    closing.Send("GET /last HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Body(closing), "/last");
    EXPECT_EQ(Rest(closing), "");
    odd.Send("OPTIONS * HTTP/1.1\r\n\r\nGET /never HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Rest(odd), "");
    EXPECT_THAT(server.echo.Seen(), ElementsAre("web /only", "web /last"));
    // Quitting ends every thread, with idle and half-sent connections open.
    LoopbackClient silent(server.port), halfSent(server.port), halfPost(server.port);
    halfSent.Send("GET /partial HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Ag");
    halfPost.Send("POST /nav HTTP/1.1\r\nContent-Length: 500\r\n\r\n<x>");
    EXPECT_TRUE(server.Shutdown());
    for (LoopbackClient* client : {&silent, &halfSent, &halfPost})
        EXPECT_TRUE(client->WaitClosed(1s));
    EXPECT_FALSE(LoopbackClient::Reachable(server.port));
    // Without request logging nothing else is logged.
    EXPECT_THAT(server.log.Lines(), ElementsAre(StartLine(server.port)));
}

TEST_F(ConnectionTest, PingAnswersWithTheNameAndATimeTagThenCloses) {
    ChangeSettings(server.settings, [](Settings& s) { s.name = "Attic Jukebox"; });
    LoopbackClient client(server.port);
    client.Send("GET /ping HTTP/1.1\r\nConnection: Keep-Alive\r\n\r\n");
    Answer a = Answer::Parse(Rest(client));
    std::string body = std::string("<html><head></head><body>Attic Jukebox; ") +
                       ProgramIdentification() + "</body></html>";
    EXPECT_EQ(a.status, "HTTP/1.1 200 OK");
    EXPECT_THAT(a.head, testing::MatchesRegex("Accept-Ranges: bytes\r\nCache-Control: private\r\n"
                                              "Content-Length:" +
                                              std::to_string(body.size()) +
                                              "\r\nETag: \"[0-9a-f]{16}\"\r\n"
                                              "Content-Type: text/html\r\n\r\n"));
    EXPECT_EQ(a.body, body);
}

// A device's requests end their connection; a POST is handed over whole and
// NUL-terminated.
TEST_F(ConnectionTest, DeviceRequestsAreHandedOverWholeAndEndTheConnection) {
    const std::string post = "POST /nav_data?eui64=0011223344556677 HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                             "Content-Length: 36\r\n\r\n<requestnavdata><nodeid>1</nodeid>\r\n";
    LoopbackClient client(server.port);
    client.Send(post + "GET /x HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Rest(client), "POSTED " + std::to_string(post.size()));
    LoopbackClient get(server.port);
    get.Send("GET /0011223344556677.00000002 HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n"
             "Connection: Keep-Alive\r\n\r\nGET /never HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Rest(get), "DEVICE");
    EXPECT_THAT(server.echo.Seen(),
                ElementsAre("post " + post, "device /0011223344556677.00000002"));
    EXPECT_TRUE(server.echo.postsTerminated);
}

TEST_F(ConnectionTest, KeptAndDribblingClientsAreClosedAfterTheIdleTimeOut) {
    ChangeSettings(server.settings, [](Settings& s) { s.idleTimeoutSeconds = 1; });
    LoopbackClient kept(server.port);
    kept.Send("GET /one HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(kept), "/one");
    EXPECT_EQ(Rest(kept), "");
    // Each byte comes well within the time-out, and the client keeps
    // dribbling until it is closed: only a deadline for the whole request
    // can end it.
    LoopbackClient dribbling(server.port);
    bool closed = false;
    for (auto giveUp = std::chrono::steady_clock::now() + 10s;
         !closed && std::chrono::steady_clock::now() < giveUp;)
        closed = !dribbling.Send("a") || dribbling.WaitClosed(300ms);
    EXPECT_TRUE(closed);
    EXPECT_THAT(server.echo.Seen(), ElementsAre("web /one"));
}

TEST_F(ConnectionTest, AClientBeyondTheConnectionBoundWaitsForAFreeSlot) {
    ChangeSettings(server.settings, [](Settings& s) { s.maxConnections = 2; });
    server.server.Stop(); // the bound takes effect with the next listener
    ASSERT_NE(server.port = server.WaitStarted(2), 0);
    LoopbackClient first(server.port), second(server.port);
    first.Send("GET /first HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(first), "/first");
    second.Send("GET /second HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(second), "/second");
    // Both slots are taken by open connections: the third waits unserved.
    LoopbackClient third(server.port);
    third.Send("GET /third HTTP/1.1\r\n\r\n");
    EXPECT_EQ(third.ReadAtLeast(1, 500ms), "");
    first.Close();
    EXPECT_EQ(Body(third), "/third");
}

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

TEST(StreamServerTest, PortInUseIsReportedOnceAndListeningResumesWhenFreed) {
    auto other = std::make_unique<ForeignListener>();
    int port = other->port;
    TestServer server(other->OnItsPort());
    server.Start();
    ASSERT_TRUE(server.log.Attention().Wait(10000));
    // The reason comes with the first failure, not with the retry 2 s later.
    EXPECT_NE(server.log.WaitForPrefix("Cannot listen at ", 1s), "");
    // Seeing the auto-reset attention event again proves a retry, which must
    // neither notify nor tell the reason a second time.
    ASSERT_TRUE(server.log.Attention().Wait(10000));
    const std::string reason =
        "Cannot listen at 127.0.0.1:" + std::to_string(port) + ": Address already in use";
    EXPECT_THAT(server.log.Lines(), ElementsAre(Problem, reason));
    other.reset();
    ASSERT_EQ(server.WaitStarted(), port);
    EXPECT_THAT(
        server.log.Lines(),
        ElementsAre(Problem, reason, "Tune Bridge: Now listening for users.", StartLine(port)));
    LoopbackClient client(port);
    client.Send("GET /served HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Body(client), "/served");
}

TEST(StreamServerTest, QuitWhileWaitingToRetryEndsTheServer) {
    ForeignListener other;
    TestServer server(other.OnItsPort());
    server.Start();
    ASSERT_NE(server.log.WaitForPrefix("Cannot listen at "), "");
    EXPECT_TRUE(server.Shutdown());
}

} // namespace
} // namespace tb::test
