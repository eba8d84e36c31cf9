#include "RunningServer.h"
#include "support/LoopbackClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace tb::test {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::IsEmpty;

const std::string Header = "POST /nav_data?eui64=0011223344556677 HTTP/1.1\r\n"
                           "Host: 127.0.0.1\r\n"
                           "Content-Length: 36\r\n"
                           "\r\n";
const std::string Body = "<requestnavdata><nodeid>1</nodeid>\r\n";

TEST(DevicePostTest, BodySentInPiecesIsHandedOverWholeThenTheConnectionCloses) {
    ASSERT_EQ(Body.size(), 36u);
    RunningServer server;
    int port = server.StartAndWait();
    ASSERT_NE(port, 0);
    LoopbackClient client(port);
    // Header in two pieces, body in three, with pauses long enough for the
    // server to read each piece on its own.
    for (const std::string& piece : {Header.substr(0, 20), Header.substr(20), Body.substr(0, 10),
                                     Body.substr(10, 10), Body.substr(20)}) {
        client.Send(piece);
        std::this_thread::sleep_for(150ms);
    }
    std::string rest;
    EXPECT_TRUE(client.WaitClosed(10s, &rest));
    EXPECT_EQ(rest, "POSTED " + std::to_string(Header.size() + Body.size()));
    EXPECT_THAT(server.handlers.Posts(), ElementsAre(Header + Body));
    EXPECT_TRUE(server.handlers.PostsWereTerminated());
}

TEST(DevicePostTest, PostIsTheLastRequestOfItsConnection) {
    RunningServer server;
    int port = server.StartAndWait();
    ASSERT_NE(port, 0);
    LoopbackClient client(port);
    client.Send(Header + Body + "GET /after HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(client.WaitClosed());
    EXPECT_THAT(server.handlers.Posts(), ElementsAre(Header + Body));
    EXPECT_THAT(server.handlers.WebPaths(), IsEmpty());
}

TEST(DevicePostTest, LowerCasePostIsADevicePost) {
    RunningServer server;
    int port = server.StartAndWait();
    ASSERT_NE(port, 0);
    LoopbackClient client(port);
    client.Send("post /x HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(client.WaitClosed());
    EXPECT_THAT(server.handlers.Posts(), ElementsAre("post /x HTTP/1.0\r\n\r\n"));
}

TEST(DevicePostTest, PostWhoseBodyNeverCompletesIsClosedByTheIdleTimeOut) {
    Settings s = LoopbackSettings();
    s.idleTimeoutSeconds = 1;
    RunningServer server(s);
    int port = server.StartAndWait();
    ASSERT_NE(port, 0);
    LoopbackClient client(port);
    client.Send(Header + Body.substr(0, 10));
    EXPECT_TRUE(client.WaitClosed(10s));
    EXPECT_THAT(server.handlers.Posts(), IsEmpty());
}

} // namespace
} // namespace tb::test
