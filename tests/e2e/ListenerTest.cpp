// The real executable over loopback: request routing, closing rules, bad
// input, port conflicts and shutdown.
#include "ServerProcess.h"
#include "support/LoopbackClient.h"
#include "support/Shell.h"

#include <arpa/inet.h>
#include <csignal>
#include <ctime>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

using namespace std::chrono_literals;

const std::string NotAvailable(const std::string& shownPath) {
    return "<html><head></head><body><br>Page '" + shownPath + "' not available</body></html>";
}

std::string Body(const std::string& response) {
    size_t end = response.find("\r\n\r\n");
    return end == std::string::npos ? "" : response.substr(end + 4);
}

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override { server.WaitForIndex(); }

    ServerProcess server;
    int port = server.Port();
};

TEST_F(ListenerTest, PingAnswersWithNameAndCurrentTimeTagThenCloses) {
    std::string response = Exchange(port, "GET /ping HTTP/1.1\r\nConnection: Keep-Alive\r\n\r\n");
    std::string body = Body(response);
    EXPECT_EQ(body.rfind("<html><head></head><body>Tune Bridge; ", 0), 0u) << body;
    EXPECT_EQ(body.substr(body.size() - 14), "</body></html>");

    std::string head = response.substr(0, response.size() - body.size());
    EXPECT_EQ(head.rfind("HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                         "Content-Length:" +
                             std::to_string(body.size()) + "\r\nETag: \"",
                         0),
              0u)
        << head;
    const std::string ending = "\"\r\nContent-Type: text/html\r\n\r\n";
    EXPECT_EQ(head.substr(head.size() - ending.size()), ending);

    // The tag is the local time as a 64-bit file time in 16 hex digits.
    size_t tagAt = head.find("ETag: \"") + 7;
    std::string tag = head.substr(tagAt, 16);
    ASSERT_EQ(tag.find_first_not_of("0123456789abcdef"), std::string::npos) << tag;
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    int64_t localSeconds = static_cast<int64_t>(now) + local.tm_gmtoff + 11644473600LL;
    int64_t tagSeconds = static_cast<int64_t>(std::stoull(tag, nullptr, 16) / 10000000ULL);
    EXPECT_LE(std::llabs(tagSeconds - localSeconds), 60);
}

TEST_F(ListenerTest, CurlGetsThePing) {
    std::string body =
        RunCommand("curl -s --max-time 10 http://127.0.0.1:" + std::to_string(port) + "/ping")
            .output;
    EXPECT_EQ(body.rfind("<html><head></head><body>Tune Bridge; ", 0), 0u) << body;
    std::string head =
        RunCommand("curl -s -o /dev/null -w '%{http_code} %{content_type}' --max-time 10 "
                   "http://127.0.0.1:" +
                   std::to_string(port) + "/ping")
            .output;
    EXPECT_EQ(head, "200 text/html");
}

TEST_F(ListenerTest, PingWithQueryIsAnOrdinaryPage) {
    std::string response = Exchange(port, "GET /ping?x HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Body(response), NotAvailable("/ping?x"));
}

TEST_F(ListenerTest, BrowserGetsNotAvailablePageAndTheConnectionCloses) {
    LoopbackClient client(port);
    client.Send("GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    std::string response = client.ReadResponse();
    EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_EQ(Body(response), NotAvailable("/index.html"));
    EXPECT_TRUE(client.WaitClosed());
}

TEST_F(ListenerTest, LowerCaseGetIsAGet) {
    EXPECT_EQ(Body(Exchange(port, "get /x HTTP/1.0\r\n\r\n")), NotAvailable("/x"));
}

TEST_F(ListenerTest, OtherMethodsGarbageAndBinaryAreClosedWithoutAnswer) {
    for (std::string request : {std::string("HEAD / HTTP/1.1\r\n\r\n"),
                                std::string("PUT /x HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"),
                                std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11),
                                std::string("hello there\n"), std::string("\0\0\0\0\0\0", 6)}) {
        LoopbackClient client(port);
        client.Send(request);
        EXPECT_EQ(client.ReadFor(5s), "") << request;
    }
}

TEST_F(ListenerTest, OversizedHeaderBlockIsClosedWithoutAnswer) {
    LoopbackClient client(port);
    std::string request = "GET /x HTTP/1.1\r\nX-Filler: " + std::string(12000, 'a') + "\r\n\r\n";
    try {
        client.Send(request);
    } catch (const std::exception&) {
        // The server may close before it has read everything.
    }
    EXPECT_EQ(client.ReadFor(5s), "");
}

TEST_F(ListenerTest, PercentEscapesDecodeAndTheEchoedPathIsEscaped) {
    EXPECT_EQ(Body(Exchange(port, "GET /a%20b+c HTTP/1.0\r\n\r\n")), NotAvailable("/a b+c"));
    EXPECT_EQ(Body(Exchange(port, "GET /%zz%4%4 HTTP/1.0\r\n\r\n")), NotAvailable("/%zz%4%4"));
    EXPECT_EQ(Body(Exchange(port, "GET /%3Cscript%3E&%22 HTTP/1.0\r\n\r\n")),
              NotAvailable("/&lt;script&gt;&amp;&quot;"));
}

TEST_F(ListenerTest, OverlongPathIsCutAtItsDecodedLimit) {
    std::string path = "/" + std::string(4000, 'x');
    std::string body = Body(Exchange(port, "GET " + path + " HTTP/1.0\r\n\r\n"));
    EXPECT_EQ(body, NotAvailable(path.substr(0, 1999)));
}

TEST_F(ListenerTest, HeadersWithoutValuesAreHarmless) {
    std::string request =
        "GET /x HTTP/1.0\r\nUser-Agent:\r\nRange: bytes=\r\nAuthorization: Basic \r\n"
        "if-none-match: \r\nHost: \r\nicy-metadata:\r\n\r\n";
    EXPECT_EQ(Body(Exchange(port, request)), NotAvailable("/x"));
}

TEST_F(ListenerTest, SilentAndVanishingClientsDoNotHoldUpOthers) {
    LoopbackClient silent(port);
    {
        LoopbackClient vanishing(port);
        vanishing.Send("GET /half-a-req");
    }
    LoopbackClient halfClosed(port);
    halfClosed.Send("GET /unterminated HTTP/1.0");
    halfClosed.ShutdownWrite();
    EXPECT_EQ(Body(halfClosed.ReadResponse()), NotAvailable("/unterminated"));
    EXPECT_EQ(Body(Exchange(port, "GET /still-here HTTP/1.0\r\n\r\n")),
              NotAvailable("/still-here"));
}

TEST_F(ListenerTest, TermSignalStopsPromptlyWithOpenConnections) {
    LoopbackClient idle(port);
    LoopbackClient partial(port);
    partial.Send("GET /x HTTP/1.1\r\n");
    std::this_thread::sleep_for(100ms);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(server.Stop(SIGTERM), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(idle.WaitClosed(1s));
}

// Start-up failures a new user meets: both end the program with status 1
// and one line that says what is wrong.
TEST(ListenerPortTest, ASecondServerOnAStoreAndAForeignAddressAreRefused) {
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
}

TEST(ListenerPortTest, BusyPortIsReportedOnceAndTakenWhenFreed) {
    int blocker = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(blocker, 1), 0);
    socklen_t size = sizeof a;
    getsockname(blocker, reinterpret_cast<sockaddr*>(&a), &size);
    std::string port = std::to_string(ntohs(a.sin_port));

    ServerProcess server({"--port", port});
    EXPECT_NE(server.WaitForLine("Tune Bridge problem: Unable to listen for users on selected "
                                 "port. Please close any other server software if running on "
                                 "the same port."),
              "");
    EXPECT_NE(server.WaitForLine("Cannot listen at 127.0.0.1:" + port + ": Address already in use"),
              "");
    std::this_thread::sleep_for(4500ms); // two more retries
    close(blocker);
    EXPECT_NE(server.WaitForLine("Tune Bridge: Now listening for users.", 5s), "");
    EXPECT_NE(server.WaitForLine("Server started at 127.0.0.1:" + port), "");

    int problems = 0;
    for (const auto& line : server.Lines())
        problems += line.find("Tune Bridge problem") != std::string::npos;
    EXPECT_EQ(problems, 1);
}

} // namespace
} // namespace tb::test
