// What a connection does on the wire: which requests it serves, when it
// closes, how long it waits, how many it serves at once and what it logs.
#include "server/ProgramTime.h"
#include "support/ChangeSettings.h"
#include "support/TestServer.h"

#include <ctime>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

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

Settings With(void (*change)(Settings&)) {
    Settings s = LoopbackSettings();
    change(s);
    return s;
}

class ConnectionTest : public testing::Test {
protected:
    explicit ConnectionTest(const Settings& s = LoopbackSettings()) : server(s) {}
    void SetUp() override { ASSERT_NE(server.StartAndWait(), 0); }

    TestServer server;
};

// The echo handlers answer a browser GET with its path and keep the
// connection unless the path holds "close".
TEST_F(ConnectionTest, WhichRequestsAreServedAndWhenTheConnectionCloses) {
    const struct {
        std::string send;
        std::vector<std::string> bodies;
        bool closes;
    } cases[] = {
        {"GET /first HTTP/1.1\r\nHost: h\r\n\r\n", {"/first"}, false},
        {"GET /only HTTP/1.0\r\n\r\nGET /never HTTP/1.0\r\n\r\n", {"/only"}, true},
        // Keep-Alive holds HTTP/1.0 open until a request comes without it.
        {"GET /a HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\nGET /b HTTP/1.0\r\n\r\n"
         "GET /never HTTP/1.0\r\n\r\n",
         {"/a", "/b"},
         true},
        {"GET /1 HTTP/1.1\r\n\r\nGET /2 HTTP/1.1\r\n\r\nGET /3 HTTP/1.1\r\n\r\n",
         {"/1", "/2", "/3"},
         false},
        // The handler declines to keep it.
        {"GET /please-close HTTP/1.1\r\n\r\nGET /never HTTP/1.1\r\n\r\n", {"/please-close"}, true},
        {"get /lower HTTP/1.1\r\n\r\n", {"/lower"}, false},
        {"GET /a HTTP/1.1\r\n\r\nOPTIONS * HTTP/1.1\r\n\r\nGET /never HTTP/1.1\r\n\r\n",
         {"/a"},
         true},
        {"HEAD / HTTP/1.1\r\n\r\n", {}, true},
        {"PUT /x HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", {}, true},
        {"GETX / HTTP/1.1\r\n\r\n", {}, true},
        {std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11), {}, true},
        {"GET /x HTTP/1.1\r\nX-Filler: " + std::string(12000, 'a'), {}, true},
        {"GET /ping?x HTTP/1.1\r\n\r\n", {"/ping?x"}, false},
    };
    std::vector<std::string> served;
    for (const auto& c : cases) {
        SCOPED_TRACE(Printable(c.send.substr(0, 80)));
        LoopbackClient client(server.port);
        client.Send(c.send);
        for (const std::string& body : c.bodies) {
            EXPECT_EQ(Body(client), body);
            served.push_back("web " + body);
        }
        if (c.closes) {
            EXPECT_EQ(Rest(client), "");
        } else {
            client.Send("GET /still-open HTTP/1.1\r\n\r\n");
            EXPECT_EQ(Body(client), "/still-open");
            served.push_back("web /still-open");
        }
    }
    EXPECT_EQ(server.echo.Seen(), served);
    // Without request logging nothing else is logged.
    EXPECT_TRUE(server.Shutdown());
    EXPECT_THAT(server.log.Lines(),
                ElementsAre("Server started at 127.0.0.1:" + std::to_string(server.port)));
}

TEST_F(ConnectionTest, PingAnswersWithTheNameAndTheLocalTimeThenCloses) {
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
    // The tag is the local time as a file time.
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    int64_t seconds = static_cast<int64_t>(now) + local.tm_gmtoff + 11644473600LL;
    int64_t tagged = static_cast<int64_t>(std::stoull(a.Value("ETag").substr(1), nullptr, 16));
    EXPECT_LE(std::llabs(tagged / 10000000 - seconds), 60);
    EXPECT_TRUE(server.echo.Seen().empty());
}

// A device's requests end their connection; a POST is handed over whole,
// however it arrives, and NUL-terminated.
TEST_F(ConnectionTest, DeviceRequestsAreHandedOverWholeAndEndTheConnection) {
    const std::string post = "POST /nav_data?eui64=0011223344556677 HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                             "Content-Length: 36\r\n\r\n<requestnavdata><nodeid>1</nodeid>\r\n";
    LoopbackClient client(server.port);
    // Header in two pieces, body in three, with pauses long enough for the
    // server to read each piece on its own; a GET after it is not served.
    size_t body = post.find("\r\n\r\n") + 4;
    for (const std::string& piece :
         {post.substr(0, 20), post.substr(20, body - 20), post.substr(body, 10),
          post.substr(body + 10, 10), post.substr(body + 20) + "GET /x HTTP/1.1\r\n\r\n"}) {
        client.Send(piece);
        std::this_thread::sleep_for(150ms);
    }
    EXPECT_EQ(Rest(client), "POSTED " + std::to_string(post.size()));
    LoopbackClient lower(server.port);
    lower.Send("post /x HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Rest(lower), "POSTED 20");
    LoopbackClient get(server.port);
    get.Send("GET /0011223344556677.00000002 HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n"
             "Connection: Keep-Alive\r\n\r\nGET /never HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Rest(get), "DEVICE");
    EXPECT_THAT(server.echo.Seen(), ElementsAre("post " + post, "post post /x HTTP/1.0\r\n\r\n",
                                                "device /0011223344556677.00000002"));
    EXPECT_TRUE(server.echo.postsTerminated);
}

class IdleTimeOutTest : public ConnectionTest {
protected:
    IdleTimeOutTest() : ConnectionTest(With([](Settings& s) { s.idleTimeoutSeconds = 1; })) {}
};

TEST_F(IdleTimeOutTest, SilentKeptHalfPostedAndDribblingClientsAreClosed) {
    LoopbackClient silent(server.port), kept(server.port), halfPost(server.port);
    kept.Send("GET /one HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(kept), "/one");
    halfPost.Send("POST /nav HTTP/1.1\r\nContent-Length: 36\r\n\r\n<requestnav");
    for (LoopbackClient* client : {&silent, &kept, &halfPost})
        EXPECT_EQ(Rest(*client), "");
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
    // Many short connections beyond the bound are all served in turn.
    second.Close();
    third.Close();
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    for (int i = 0; i < 12; ++i) {
        clients.push_back(std::make_unique<LoopbackClient>(server.port));
        clients.back()->Send("GET /c" + std::to_string(i) + " HTTP/1.0\r\n\r\n");
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Body(*clients[i]), "/c" + std::to_string(i));
}

// Each request is logged as sent, credentials hidden, and the connection's
// end says how it ended: closed by the server, or by the peer (11907).
TEST_F(ConnectionTest, RequestLoggingShowsRequestsAndHowTheConnectionEnded) {
    ChangeSettings(server.settings, [](Settings& s) { s.logHttpRequests = true; });
    const std::string kept = "GET /kept HTTP/1.1\r\n\r\n";
    const struct {
        std::string send;
        std::vector<std::string> lines;
    } cases[] = {
        {"GET /logged HTTP/1.0\r\nAuthorization: Basic YWRtaW46c2VjcmV0\r\n\r\n",
         {"GET /logged HTTP/1.0\r\nAuthorization: Basic (hidden)\r\n\r\n", "Closing socket"}},
        {"GET /one HTTP/1.1\r\n\r\nGET /two-close HTTP/1.1\r\n\r\n",
         {"GET /one HTTP/1.1\r\n\r\n", "GET /two-close HTTP/1.1\r\n\r\n", "Closing socket"}},
        {"DELETE /x HTTP/1.1\r\n\r\n", {"DELETE /x HTTP/1.1\r\n\r\n", "Closing socket"}},
        {kept, {kept, "Socket closed (11907)"}},
    };
    for (const auto& c : cases) {
        size_t before = server.log.Count();
        LoopbackClient client(server.port);
        client.Send(c.send);
        if (c.send == kept) {
            EXPECT_EQ(Body(client), "/kept");
            client.Close();
        } else {
            EXPECT_EQ(Rest(client).empty(), c.send.find("DELETE") == 0);
        }
        for (int i = 0; i < 1000 && server.log.Count() < before + c.lines.size(); ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(server.log.LinesFrom(before), c.lines);
    }
}

} // namespace
} // namespace tb::test
