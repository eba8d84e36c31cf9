// Addresses, and sockets over real loopback connections: ends, writes cut
// short by signals or by a peer that stops reading, files sent whole, and
// the process-wide shutdown.
#include "core/Exceptions.h"
#include "core/FileDescriptor.h"
#include "core/IPAddress.h"
#include "core/ServerSocket.h"
#include "core/Socket.h"
#include "core/SocketRegistry.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tb {
namespace {

using namespace std::chrono_literals;

IPAddress Loopback(uint16_t port) {
    return IPAddress(htonl(INADDR_LOOPBACK), port);
}

// The code of the SocketException `action` throws, or 0 when it throws none.
int32_t CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const SocketException& e) {
        return e.Value();
    }
    return 0;
}

TEST(IPAddressTest, HostAndPortTextsReadBackOrThrow) {
    for (const char* text : {"192.168.1.5:42961", "10.0.0.1:0", "1.2.3.4:65535"})
        EXPECT_EQ(IPAddress::FromHostPort(text).HostPortText(), text);
    EXPECT_EQ(IPAddress::FromHostPort("[All local IP-addresses]:80", IPAddress::AnyText),
              IPAddress(0, 80));
    for (const char* text :
         {"192.168.1.5", "256.1.1.1:80", "a.b.c.d:80", ":80", "1.2.3.4:", "1.2.3.4:8x",
          "1.2.3.4:-1", "host:80", "1.2.3.4.5:1", "1.2.3.4:65536", "1.2.3.4:99999999999"})
        EXPECT_THROW(IPAddress::FromHostPort(text), IPAddressException) << text;
    for (const char* text : {"[All local IP-addresses]", "[All local IP-addresses] 80"})
        EXPECT_THROW(IPAddress::FromHostPort(text, IPAddress::AnyText), IPAddressException) << text;
    EXPECT_THROW(IPAddress::FromHost("example.org"), IPAddressException);
    EXPECT_THROW(IPAddress::FromHost(""), IPAddressException);
}

class SocketTest : public ::testing::Test {
protected:
    void SetUp() override { server_ = std::make_unique<ServerSocket>(Loopback(0)); }
    // The registry is process-wide: every test leaves it open again.
    void TearDown() override { SocketRegistry::Reopen(); }

    // A connected pair: the client's end and the server's end.
    void Connect(int32_t clientTimeout = 0, int32_t serverTimeout = 0) {
        client_ = std::make_unique<Socket>(clientTimeout);
        client_->Connect(server_->LocalAddress());
        accepted_ = server_->Accept(serverTimeout);
    }

    std::unique_ptr<ServerSocket> server_;
    std::unique_ptr<Socket> client_;
    std::unique_ptr<Socket> accepted_;
};

TEST_F(SocketTest, APeerThatClosesMakesReadThrow11907AndWriteFail) {
    Connect();
    client_->Write("\xff\0A", 3);
    client_->Close();
    client_->Close(); // closing twice does nothing
    // What was sent before the close still arrives; 255 is a byte, not an end.
    EXPECT_EQ(accepted_->Get(), 255);
    EXPECT_EQ(accepted_->Get(), 0);
    EXPECT_EQ(accepted_->Get(), 'A');
    char buffer[8];
    EXPECT_EQ(CodeOf([&] { accepted_->Read(buffer, sizeof buffer); }), 11907);
    EXPECT_EQ(CodeOf([&] { accepted_->Get(); }), SocketException::PeerClosed);
    EXPECT_EQ(CodeOf([&] { client_->Put('x'); }), EBADF); // a closed socket refuses work
    // Writing to a gone peer fails without a signal that kills the process.
    std::vector<char> block(64 * 1024, 'x');
    int32_t code = CodeOf([&] {
        for (int i = 0; i < 1000; ++i)
            accepted_->Write(block.data(), static_cast<int32_t>(block.size()));
    });
    EXPECT_TRUE(code == EPIPE || code == ECONNRESET) << code;
}

void IgnoreSignal(int) {}

TEST_F(SocketTest, TwoTextsWrittenTogetherArriveWholeThroughInterruptedSends) {
    // One SIGUSR1 (no restart) cuts the writer's first, blocked send short
    // once the receiver holds part of it: inside the head for the large one,
    // inside the body for the small one.
    struct sigaction action {
    }, previous{};
    action.sa_handler = IgnoreSignal;
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    for (int32_t headSize : {3 * 1024 * 1024 + 1, 100}) {
        int fds[2]; // small buffers, so that sends stop early
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        int small = 65536;
        setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
        setsockopt(fds[1], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        client_ = std::make_unique<Socket>(fds[0], 0);
        accepted_ = std::make_unique<Socket>(fds[1], 20000); // a lost byte becomes a failure
        std::string all(static_cast<size_t>(headSize) + 5 * 1024 * 1024 + 3, '\0');
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<char>(i * 7 + i / 251);
        String head(std::string_view(all).substr(0, headSize)),
            body(std::string_view(all).substr(headSize));
        int32_t writeError = 0;
        std::thread writer([&] { writeError = CodeOf([&] { client_->Write(head, body); }); });
        int queued = 0;
        for (int i = 0; i < 10000 && queued <= std::min(headSize, 4096); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ioctl(fds[1], FIONREAD, &queued);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the send blocks
        pthread_kill(writer.native_handle(), SIGUSR1);
        std::string received(all.size(), '\0');
        int32_t readError = CodeOf([&] {
            for (size_t got = 0; got < received.size();)
                got += static_cast<size_t>(accepted_->Read(
                    received.data() + got, static_cast<int32_t>(received.size() - got)));
        });
        if (readError != 0)
            client_->Close(); // let a blocked writer fail instead of hanging
        writer.join();
        EXPECT_EQ(readError, 0) << headSize;
        EXPECT_EQ(writeError, 0) << headSize;
        EXPECT_TRUE(received == all) << headSize;
        client_->Close(); // nothing more than that was sent
        EXPECT_EQ(CodeOf([&] { accepted_->Get(); }), 11907) << headSize;
    }
    sigaction(SIGUSR1, &previous, nullptr);
}

TEST_F(SocketTest, ShutdownAllEndsBlockedCallsAndSocketsOpenedLater) {
    Connect();
    auto read = std::async(std::launch::async, [&] { return CodeOf([&] { accepted_->Get(); }); });
    auto accept =
        std::async(std::launch::async, [&] { return CodeOf([&] { server_->Accept(0); }); });
    std::this_thread::sleep_for(100ms); // let both block
    SocketRegistry::ShutdownAll();
    for (auto* blocked : {&read, &accept}) {
        ASSERT_EQ(blocked->wait_for(30s), std::future_status::ready);
        EXPECT_NE(blocked->get(), 0);
    }
    // A listener opened now does not wait for connections either.
    ServerSocket lateServer(Loopback(0));
    auto lateAccept =
        std::async(std::launch::async, [&] { return CodeOf([&] { lateServer.Accept(0); }); });
    bool ended = lateAccept.wait_for(5s) == std::future_status::ready;
    EXPECT_TRUE(ended) << "a listener opened after ShutdownAll still waits";
    if (!ended)
        lateServer.Interrupt();
    EXPECT_NE(lateAccept.get(), 0);
}

TEST_F(SocketTest, ShutdownAllLeavesAloneWhatReusesAClosedSocketsNumber) {
    Socket(0).Close();
    int fds[2]; // outside the registry, and likely on the number just freed
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    SocketRegistry::ShutdownAll();
    char c = 0;
    EXPECT_EQ(send(fds[0], "x", 1, MSG_NOSIGNAL), 1);
    EXPECT_EQ(recv(fds[1], &c, 1, MSG_DONTWAIT), 1);
    close(fds[0]);
    close(fds[1]);
}

// A write gives up once the peer has taken nothing for the send time-out,
// however much it took before; a peer that reads slowly keeps it going. A
// read gives up when nothing came for the receive time-out.
TEST_F(SocketTest, TimeOutsEndWaitsForAStalledPeerButNotForASlowOne) {
    auto pair = [this] { // small buffers, so that the writer waits
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        int small = 65536;
        setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
        client_ = std::make_unique<Socket>(fds[0], 0);
        accepted_ = std::make_unique<Socket>(fds[1], 0);
        accepted_->SetSendTimeout(300);
    };
    std::vector<char> block(2 << 20, 'x');
    pair();
    std::thread slowReader([&] {
        std::vector<char> buffer(32 * 1024);
        CodeOf([&] { // ends early when the writer gives up and closes
            for (size_t got = 0; got < block.size(); std::this_thread::sleep_for(20ms))
                got += static_cast<size_t>(client_->Read(buffer.data(), buffer.size()));
        });
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CodeOf([&] { accepted_->Write(block.data(), block.size()); }), 0);
    EXPECT_GT(std::chrono::steady_clock::now() - start, 600ms) << "the reader was not slow";
    accepted_->Close();
    slowReader.join();

    pair(); // nobody reads this one
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(CodeOf([&] { accepted_->Write(block.data(), block.size()); }), EAGAIN);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 1500ms);

    accepted_->SetTimeout(200);
    start = std::chrono::steady_clock::now();
    auto read = std::async(std::launch::async, [&] { return CodeOf([&] { accepted_->Get(); }); });
    bool ended = read.wait_for(5s) == std::future_status::ready;
    EXPECT_TRUE(ended) << "the read outlived its time-out";
    if (!ended)
        client_->Close(); // the peer's end ends it
    EXPECT_EQ(read.get(), EAGAIN);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
}

// A file goes out after its header as it is, also when it is shorter than
// asked; a gone peer makes it fail without a signal that kills the process.
TEST_F(SocketTest, SendFileSendsTheHeaderAndTheFilesBytes) {
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 13 + i / 253);
    FileDescriptor file = SealedMemoryFile("test", bytes);
    ASSERT_TRUE(file.IsOpen());
    Connect(0, 20000);
    auto sent = std::async(std::launch::async, [&] {
        return accepted_->SendFile("Head:", file.Get(), 1000, bytes.size());
    });
    std::string received(5 + bytes.size() - 1000, '\0');
    for (size_t got = 0; got < received.size();)
        got += static_cast<size_t>(
            client_->Read(received.data() + got, static_cast<int32_t>(received.size() - got)));
    EXPECT_EQ(sent.get(), bytes.size() - 1000);
    EXPECT_TRUE(received == "Head:" + bytes.substr(1000));

    client_->Close();
    int32_t code = CodeOf([&] {
        for (int i = 0; i < 100; ++i)
            accepted_->SendFile("", file.Get(), 0, bytes.size());
    });
    EXPECT_TRUE(code == EPIPE || code == ECONNRESET) << code;
}

} // namespace
} // namespace tb
