#include "RunningServer.h"
#include "support/LoopbackClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace tb::test {
namespace {

using namespace std::chrono_literals;
using testing::IsEmpty;

std::string Body(const std::string& response) {
    return SplitAnswer(response).body;
}

class IdleTimeOutTest : public testing::Test {
protected:
    static Settings OneSecond() {
        Settings s = LoopbackSettings();
        s.idleTimeoutSeconds = 1;
        return s;
    }
    void SetUp() override {
        port_ = server_.StartAndWait();
        ASSERT_NE(port_, 0);
    }

    RunningServer server_{OneSecond()};
    int port_ = 0;
};

TEST_F(IdleTimeOutTest, SilentClientIsClosed) {
    LoopbackClient client(port_);
    std::string rest;
    EXPECT_TRUE(client.WaitClosed(10s, &rest));
    EXPECT_EQ(rest, "");
}

TEST_F(IdleTimeOutTest, KeptConnectionIsClosedWhenNoFurtherRequestComes) {
    LoopbackClient client(port_);
    client.Send("GET /one HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(client.ReadResponse()), "/one");
    EXPECT_TRUE(client.WaitClosed(10s));
}

TEST_F(IdleTimeOutTest, DribblingClientIsClosedByTheWholeRequestDeadline) {
    LoopbackClient client(port_);
    // Each byte comes well within the time-out, and the client keeps
    // dribbling until it is closed, so only a deadline for the whole
    // request can end it.
    const std::string text = "GET /" + std::string(200, 'a');
    bool closed = false;
    auto giveUp = std::chrono::steady_clock::now() + 10s;
    for (size_t i = 0; !closed && std::chrono::steady_clock::now() < giveUp; ++i)
        closed = !client.Send(text.substr(i % text.size(), 1)) || client.WaitClosed(300ms);
    EXPECT_TRUE(closed);
    EXPECT_THAT(server_.handlers.WebPaths(), IsEmpty());
}

TEST(ConnectionBoundTest, ThirdClientIsServedOnceAnotherLeaves) {
    Settings s = LoopbackSettings();
    s.maxConnections = 2;
    RunningServer server(s);
    int port = server.StartAndWait();
    ASSERT_NE(port, 0);

    LoopbackClient first(port);
    first.Send("GET /first HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(first.ReadResponse()), "/first");
    LoopbackClient second(port);
    second.Send("GET /second HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(second.ReadResponse()), "/second");

    // Both slots are taken by open connections: the third waits unserved.
    LoopbackClient third(port);
    third.Send("GET /third HTTP/1.1\r\n\r\n");
    EXPECT_EQ(third.ReadFor(500ms), "");

    first.Close();
    EXPECT_EQ(Body(third.ReadResponse()), "/third");

    // The others still work, and a fourth waits for the next free slot.
    second.Send("GET /again HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(second.ReadResponse()), "/again");
    LoopbackClient fourth(port);
    fourth.Send("GET /fourth HTTP/1.0\r\n\r\n");
    EXPECT_EQ(fourth.ReadFor(300ms), "");
    third.Close();
    EXPECT_EQ(Body(fourth.ReadResponse()), "/fourth");
}

TEST(ConnectionBoundTest, ManyShortConnectionsBeyondTheBoundAreAllServed) {
    Settings s = LoopbackSettings();
    s.maxConnections = 2;
    RunningServer server(s);
    int port = server.StartAndWait();
    ASSERT_NE(port, 0);
    constexpr int Clients = 12;
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    for (int i = 0; i < Clients; ++i) {
        clients.push_back(std::make_unique<LoopbackClient>(port));
        clients.back()->Send("GET /c" + std::to_string(i) + " HTTP/1.0\r\n\r\n");
    }
    for (int i = 0; i < Clients; ++i)
        EXPECT_EQ(Body(clients[i]->ReadResponse()), "/c" + std::to_string(i));
    EXPECT_EQ(server.handlers.WebPaths().size(), size_t{Clients});
}

} // namespace
} // namespace tb::test
