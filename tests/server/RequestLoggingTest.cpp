#include "RunningServer.h"
#include "server/RequestLogText.h"
#include "support/LoopbackClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tb::test {
namespace {

using testing::ElementsAre;

class RequestLoggingTest : public testing::Test {
protected:
    static Settings Logging() {
        Settings s = LoopbackSettings();
        s.logHttpRequests = true;
        return s;
    }
    void SetUp() override {
        port_ = server_.StartAndWait();
        ASSERT_NE(port_, 0);
    }
    std::string Started() const { return "Server started at 127.0.0.1:" + std::to_string(port_); }

    RunningServer server_{Logging()};
    int port_ = 0;
};

TEST_F(RequestLoggingTest, RequestTextWithoutSecretsThenClosingSocket) {
    const std::string request = "GET /logged HTTP/1.0\r\nHost: 127.0.0.1\r\n"
                                "Authorization: Basic YWRtaW46c2VjcmV0\r\n\r\n";
    LoopbackClient client(port_);
    client.Send(request);
    EXPECT_TRUE(client.WaitClosed());
    ASSERT_TRUE(server_.log.WaitForExactLine("Closing socket"));
    EXPECT_THAT(server_.log.Lines(), ElementsAre(Started(),
                                                 "GET /logged HTTP/1.0\r\nHost: 127.0.0.1\r\n"
                                                 "Authorization: Basic (hidden)\r\n\r\n",
                                                 "Closing socket"));
}

TEST(RequestLogTextTest, HidesCredentialsAndEscapesControlCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"GET / HTTP/1.1\r\n\r\n", "GET / HTTP/1.1\r\n\r\n"},
        {"GET / HTTP/1.1\r\nauthorization: basic abc\r\nX: 1",
         "GET / HTTP/1.1\r\nauthorization: basic (hidden)\r\nX: 1"},
        {"Authorization:Bearer\r\n", "Authorization:(hidden)\r\n"},
        {"Authorization: Digest u=\"a\", r=\"b\"\r\n", "Authorization: Digest (hidden)\r\n"},
        {std::string("GET /\x1b[2J\x00\x7f\tx\n\rHTTP", 19),
         "GET /\\x1b[2J\\x00\\x7f\\x09x\\x0a\\x0dHTTP"},
    };
    for (const auto& [request, shown] : cases)
        EXPECT_EQ(std::string(RequestLogText(request).View()), shown);
}

TEST_F(RequestLoggingTest, EveryRequestOfAKeptConnectionIsLogged) {
    const std::string one = "GET /one HTTP/1.1\r\n\r\n";
    const std::string two = "GET /two-close HTTP/1.1\r\n\r\n";
    LoopbackClient client(port_);
    client.Send(one + two);
    EXPECT_TRUE(client.WaitClosed());
    ASSERT_TRUE(server_.log.WaitForExactLine("Closing socket"));
    EXPECT_THAT(server_.log.Lines(), ElementsAre(Started(), one, two, "Closing socket"));
}

TEST_F(RequestLoggingTest, UnknownMethodIsLoggedAndClosed) {
    const std::string request = "DELETE /x HTTP/1.1\r\n\r\n";
    LoopbackClient client(port_);
    client.Send(request);
    EXPECT_TRUE(client.WaitClosed());
    ASSERT_TRUE(server_.log.WaitForExactLine("Closing socket"));
    EXPECT_THAT(server_.log.Lines(), ElementsAre(Started(), request, "Closing socket"));
}

TEST_F(RequestLoggingTest, PeerHangingUpGivesSocketClosedWithTheOrderlyCloseCode) {
    const std::string request = "GET /kept HTTP/1.1\r\n\r\n";
    LoopbackClient client(port_);
    client.Send(request);
    EXPECT_EQ(SplitAnswer(client.ReadResponse()).body, "/kept");
    client.Close();
    ASSERT_TRUE(server_.log.WaitForExactLine("Socket closed (11907)"));
    EXPECT_THAT(server_.log.Lines(), ElementsAre(Started(), request, "Socket closed (11907)"));
}

TEST(RequestLoggingOffTest, NothingButTheStartLineIsLogged) {
    RunningServer server;
    int port = server.StartAndWait();
    ASSERT_NE(port, 0);
    {
        LoopbackClient client(port);
        client.Send("GET /a HTTP/1.1\r\n\r\n");
        EXPECT_EQ(SplitAnswer(client.ReadResponse()).body, "/a");
    }
    LoopbackClient closed(port);
    closed.Send("GET /b HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(closed.WaitClosed());
    EXPECT_TRUE(server.Shutdown());
    EXPECT_THAT(server.log.Lines(),
                ElementsAre("Server started at 127.0.0.1:" + std::to_string(port)));
}

} // namespace
} // namespace tb::test
