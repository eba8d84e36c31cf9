#include "core/SocketRegistry.h"

#include "core/Exceptions.h"
#include "core/ServerSocket.h"
#include "core/Socket.h"
#include "core/SocketTestHelpers.h"

#include <arpa/inet.h>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tb {
namespace {

using test::CodeOf;
using test::Loopback;

// The registry is process-wide: every test leaves it open again.
class SocketRegistryTest : public ::testing::Test {
protected:
    void TearDown() override { SocketRegistry::Reopen(); }
};

TEST_F(SocketRegistryTest, ShutdownAllEndsBlockedCalls) {
    ServerSocket server(Loopback(0));
    Socket client(0);
    client.Connect(server.LocalAddress());
    auto accepted = server.Accept(0);
    ServerSocket idle(Loopback(0));

    auto read = std::async(std::launch::async, [&] { return CodeOf([&] { accepted->Get(); }); });
    auto accept = std::async(std::launch::async, [&] { return CodeOf([&] { idle.Accept(0); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // let both block
    SocketRegistry::ShutdownAll();
    ASSERT_EQ(read.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    ASSERT_EQ(accept.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_NE(read.get(), 0);
    EXPECT_NE(accept.get(), 0);
}

TEST_F(SocketRegistryTest, SocketsOpenedAfterShutdownAllAreShutToo) {
    // A listener of another program, outside the registry.
    int other = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(other, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(other, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(other, 8), 0);
    socklen_t size = sizeof a;
    ASSERT_EQ(getsockname(other, reinterpret_cast<sockaddr*>(&a), &size), 0);
    uint16_t port = ntohs(a.sin_port);

    SocketRegistry::ShutdownAll();

    // A client connecting during shutdown cannot go on to wait for data
    // (the time-out only bounds the test if it could).
    Socket late(5000);
    int32_t code = CodeOf([&] {
        late.Connect(Loopback(port));
        late.Get();
    });
    EXPECT_NE(code, 0);
    EXPECT_NE(code, EAGAIN);

    // Nor does a listener opened now wait for connections.
    ServerSocket lateServer(Loopback(0));
    auto accept =
        std::async(std::launch::async, [&] { return CodeOf([&] { lateServer.Accept(0); }); });
    bool ended = accept.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    EXPECT_TRUE(ended) << "a listener opened after ShutdownAll still waits";
    if (!ended)
        lateServer.Interrupt();
    EXPECT_NE(accept.get(), 0);

    // Reopened, sockets work again.
    SocketRegistry::Reopen();
    ServerSocket server(Loopback(0));
    Socket client(5000);
    client.Connect(server.LocalAddress());
    auto accepted = server.Accept(5000);
    client.Put('k');
    EXPECT_EQ(accepted->Get(), 'k');
    close(other);
}

} // namespace
} // namespace tb
