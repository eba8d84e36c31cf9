#include "RunningServer.h"
#include "server/ProgramTime.h"
#include "support/LoopbackClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tb::test {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// The test handlers echo the path as the body.
std::string Body(const std::string& response) {
    return SplitAnswer(response).body;
}

class KeepAliveTest : public testing::Test {
protected:
    void SetUp() override {
        port_ = server_.StartAndWait();
        ASSERT_NE(port_, 0);
    }

    RunningServer server_;
    int port_ = 0;
};

TEST_F(KeepAliveTest, Http11ConnectionServesTwoRequests) {
    LoopbackClient client(port_);
    client.Send("GET /first HTTP/1.1\r\nHost: h\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/first");
    client.Send("GET /second HTTP/1.1\r\nHost: h\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/second");
    EXPECT_THAT(server_.handlers.WebPaths(), ElementsAre("/first", "/second"));
}

TEST_F(KeepAliveTest, Http10WithoutKeepAliveIsClosedAfterOneAnswer) {
    LoopbackClient client(port_);
    client.Send("GET /only HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/only");
    std::string rest;
    EXPECT_TRUE(client.WaitClosed(std::chrono::seconds(10), &rest));
    EXPECT_EQ(rest, "");
}

TEST_F(KeepAliveTest, Http10WithKeepAliveHeaderStaysOpen) {
    LoopbackClient client(port_);
    client.Send("GET /a HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/a");
    client.Send("GET /b HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/b");
    // Without the header an HTTP/1.0 request ends the connection again.
    client.Send("GET /c HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/c");
    EXPECT_TRUE(client.WaitClosed());
}

TEST_F(KeepAliveTest, PipelinedRequestsAreAnsweredInOrder) {
    LoopbackClient client(port_);
    client.Send("GET /one HTTP/1.1\r\n\r\nGET /two HTTP/1.1\r\n\r\nGET /three HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/one");
    EXPECT_EQ(Body(client.ReadResponse()), "/two");
    EXPECT_EQ(Body(client.ReadResponse()), "/three");
}

TEST_F(KeepAliveTest, HandlerDecliningClosesEvenOnHttp11) {
    LoopbackClient client(port_);
    client.Send("GET /please-close HTTP/1.1\r\n\r\nGET /never HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/please-close");
    std::string rest;
    EXPECT_TRUE(client.WaitClosed(std::chrono::seconds(10), &rest));
    EXPECT_EQ(rest, "");
    EXPECT_THAT(server_.handlers.WebPaths(), ElementsAre("/please-close"));
}

TEST_F(KeepAliveTest, LowerCaseGetIsServed) {
    LoopbackClient client(port_);
    client.Send("get /lower HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/lower");
}

TEST_F(KeepAliveTest, OtherMethodsAreClosedWithoutAnswer) {
    for (const char* request : {"HEAD / HTTP/1.1\r\n\r\n", "PUT /x HTTP/1.1\r\n\r\n",
                                "GETX / HTTP/1.1\r\n\r\n", "\x16\x03\x01 binary"}) {
        LoopbackClient client(port_);
        client.Send(request);
        std::string rest;
        EXPECT_TRUE(client.WaitClosed(std::chrono::seconds(10), &rest)) << request;
        EXPECT_EQ(rest, "") << request;
    }
    EXPECT_THAT(server_.handlers.WebPaths(), IsEmpty());
    EXPECT_THAT(server_.handlers.Posts(), IsEmpty());
}

TEST_F(KeepAliveTest, GetAfterAnUnknownMethodOnTheSameConnectionIsNotServed) {
    LoopbackClient client(port_);
    client.Send("GET /a HTTP/1.1\r\n\r\nOPTIONS * HTTP/1.1\r\n\r\nGET /b HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/a");
    EXPECT_TRUE(client.WaitClosed());
    EXPECT_THAT(server_.handlers.WebPaths(), ElementsAre("/a"));
}

TEST_F(KeepAliveTest, DeviceGetEndsTheConnection) {
    LoopbackClient client(port_);
    client.Send("GET /0011223344556677.00000002 HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n"
                "Connection: Keep-Alive\r\n\r\nGET /never HTTP/1.1\r\n\r\n");
    std::string rest;
    EXPECT_TRUE(client.WaitClosed(std::chrono::seconds(10), &rest));
    EXPECT_EQ(rest, "DEVICE");
    EXPECT_THAT(server_.handlers.DevicePaths(), ElementsAre("/0011223344556677.00000002"));
    EXPECT_THAT(server_.handlers.WebPaths(), IsEmpty());
}

class PingTest : public testing::Test {
protected:
    static Settings Named() {
        Settings s = LoopbackSettings();
        s.name = "Attic Jukebox";
        return s;
    }
    void SetUp() override {
        port_ = server_.StartAndWait();
        ASSERT_NE(port_, 0);
    }

    RunningServer server_{Named()};
    int port_ = 0;
};

TEST_F(PingTest, PingIsAnsweredWithTheServerNameAndClosedEvenOnHttp11) {
    LoopbackClient client(port_);
    client.Send("GET /ping HTTP/1.1\r\nConnection: Keep-Alive\r\n\r\n");
    std::string rest;
    ASSERT_TRUE(client.WaitClosed(std::chrono::seconds(10), &rest));
    Answer a = SplitAnswer(rest);
    std::string body = std::string("<html><head></head><body>Attic Jukebox; ") +
                       ProgramIdentification() + "</body></html>";
    EXPECT_EQ(a.status, "HTTP/1.1 200 OK");
    EXPECT_THAT(a.headers, testing::MatchesRegex("Accept-Ranges: bytes\r\n"
                                                 "Cache-Control: private\r\n"
                                                 "Content-Length:" +
                                                 std::to_string(body.size()) +
                                                 "\r\n"
                                                 "ETag: \"[0-9a-f]{16}\"\r\n"
                                                 "Content-Type: text/html\r\n\r\n"));
    EXPECT_EQ(a.body, body);
    EXPECT_THAT(server_.handlers.WebPaths(), IsEmpty());
}

TEST_F(PingTest, PingWithAQueryGoesToTheBrowserPath) {
    LoopbackClient client(port_);
    client.Send("GET /ping?x HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/ping?x");
    EXPECT_THAT(server_.handlers.WebPaths(), ElementsAre("/ping?x"));
}

} // namespace
} // namespace tb::test
