#include "core/Socket.h"

#include "core/Exceptions.h"
#include "core/ServerSocket.h"
#include "core/SocketRegistry.h"
#include "core/SocketTestHelpers.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tb {
namespace {

using test::CodeOf;
using test::Loopback;

class SocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<ServerSocket>(Loopback(0));
        port_ = server_->LocalAddress().Port();
    }

    // A connected pair: the client's end and the server's end.
    void Connect(int32_t clientTimeout = 0, int32_t serverTimeout = 0) {
        client_ = std::make_unique<Socket>(clientTimeout);
        client_->Connect(Loopback(port_));
        accepted_ = server_->Accept(serverTimeout);
    }

    // A connected pair with small buffers, so that sends stop early: the
    // client's end and the server's end as sockets, and the client's handle.
    void ConnectSmall() {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        int small = 65536;
        setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
        setsockopt(fds[1], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        clientHandle_ = fds[0];
        client_ = std::make_unique<Socket>(fds[0], 0);
        accepted_ = std::make_unique<Socket>(fds[1], 20000); // a lost byte becomes a failure
    }

    void ReadExactly(Socket& socket, char* buffer, int32_t count) {
        int32_t got = 0;
        while (got < count)
            got += socket.Read(buffer + got, count - got);
    }

    std::vector<unsigned char> ReceiveWhileInterrupted(const std::function<void()>& write,
                                                       int32_t size);

    std::unique_ptr<ServerSocket> server_;
    uint16_t port_ = 0;
    std::unique_ptr<Socket> client_;
    std::unique_ptr<Socket> accepted_;
    int clientHandle_ = -1;
};

TEST_F(SocketTest, ListensOnLoopbackWithTheRealPort) {
    IPAddress local = server_->LocalAddress();
    EXPECT_EQ(local.HostText(), "127.0.0.1");
    EXPECT_NE(local.Port(), 0);
}

TEST_F(SocketTest, BytesTravelBothWaysAndAddressesMatch) {
    Connect();
    client_->Write(String("hello"));
    char buffer[16] = {};
    ReadExactly(*accepted_, buffer, 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");

    accepted_->Put('\xff');
    accepted_->Put('\x00');
    accepted_->Put('A');
    EXPECT_EQ(client_->Get(), 255); // a byte, never mistaken for an end
    EXPECT_EQ(client_->Get(), 0);
    EXPECT_EQ(client_->Get(), 'A');

    client_->Write("abcdef", 6);
    ASSERT_TRUE(accepted_->WaitReadable(10000));
    int32_t n = accepted_->Read(buffer, 2);
    EXPECT_GE(n, 1);
    EXPECT_LE(n, 2);

    EXPECT_EQ(accepted_->PeerAddress(), client_->LocalAddress());
    EXPECT_EQ(client_->PeerAddress(), server_->LocalAddress());
    EXPECT_EQ(client_->PeerAddress().Port(), port_);
}

TEST_F(SocketTest, APeerThatClosesMakesReadThrow11907) {
    Connect();
    client_->Write("last", 4);
    client_->Close();
    EXPECT_FALSE(client_->IsOpen());
    client_->Close(); // closing twice does nothing
    char buffer[8];
    ReadExactly(*accepted_, buffer, 4); // what was sent before the close still arrives
    EXPECT_EQ(CodeOf([&] { accepted_->Read(buffer, sizeof buffer); }), 11907);
    EXPECT_EQ(CodeOf([&] { accepted_->Get(); }), SocketException::PeerClosed);

    // Destroying the peer is a close as well.
    Connect();
    client_.reset();
    EXPECT_EQ(CodeOf([&] { accepted_->Get(); }), 11907);
}

TEST_F(SocketTest, WritingToAGonePeerFailsWithoutKillingTheProcess) {
    Connect();
    accepted_->Close();
    std::vector<char> block(64 * 1024, 'x');
    int32_t code = CodeOf([&] {
        for (int i = 0; i < 1000; ++i)
            client_->Write(block.data(), static_cast<int32_t>(block.size()));
    });
    EXPECT_TRUE(code == EPIPE || code == ECONNRESET) << code;
}

TEST_F(SocketTest, ClosedSocketsRefuseWork) {
    Connect();
    client_->Close();
    char c;
    EXPECT_EQ(CodeOf([&] { client_->Read(&c, 1); }), EBADF);
    EXPECT_EQ(CodeOf([&] { client_->Put('x'); }), EBADF);
    EXPECT_EQ(CodeOf([&] { client_->PeerAddress(); }), EBADF);
}

TEST_F(SocketTest, ATimeoutEndsAWaitingRead) {
    Connect(0, 100);
    char c;
    int32_t code = CodeOf([&] { accepted_->Read(&c, 1); });
    EXPECT_TRUE(code == EAGAIN || code == EWOULDBLOCK) << code;

    client_->SetTimeout(100);
    code = CodeOf([&] { client_->Get(); });
    EXPECT_TRUE(code == EAGAIN || code == EWOULDBLOCK) << code;

    EXPECT_FALSE(client_->WaitReadable(0));
    accepted_->Put('z');
    EXPECT_TRUE(client_->WaitReadable(10000));
    EXPECT_EQ(client_->Get(), 'z');
}

TEST_F(SocketTest, ConnectingToAClosedPortIsRefused) {
    uint16_t closedPort = port_;
    server_.reset();
    Socket socket(0);
    EXPECT_EQ(CodeOf([&] { socket.Connect(Loopback(closedPort)); }), ECONNREFUSED);
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

TEST_F(SocketTest, ASocketThatCannotBeSetUpLeavesNothingOpen) {
    int descriptors = OpenDescriptors();
    EXPECT_EQ(CodeOf([] { Socket impossible(-1500); }), EDOM); // no negative time-out
    EXPECT_EQ(OpenDescriptors(), descriptors);

    // The same for a connection the listener accepted.
    Socket client(5000); // bounds the wait for the close below
    client.Connect(Loopback(port_));
    descriptors = OpenDescriptors();
    EXPECT_EQ(CodeOf([this] { server_->Accept(-1); }), EDOM);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(CodeOf([&] { client.Get(); }), 11907); // and the client sees it closed
}

void IgnoreSignal(int) {}

// SIGUSR1 interrupts blocking calls (no restart) while this lives.
class InterruptingSignal {
public:
    InterruptingSignal() {
        struct sigaction action {};
        action.sa_handler = IgnoreSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        installed_ = sigaction(SIGUSR1, &action, &previous_) == 0;
    }
    ~InterruptingSignal() {
        if (installed_)
            sigaction(SIGUSR1, &previous_, nullptr);
    }
    bool Installed() const { return installed_; }

private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

std::vector<unsigned char> Pattern(int32_t size, int salt) {
    std::vector<unsigned char> data(static_cast<size_t>(size));
    for (int32_t i = 0; i < size; ++i)
        data[static_cast<size_t>(i)] = static_cast<unsigned char>((i * 7 + i / 251 + salt) & 0xFF);
    return data;
}

// Runs `write` on the client's end while signals keep interrupting both ends,
// so that sends return early or fail with EINTR, and reads what arrives.
// Every interrupted send must be continued where it stopped.
std::vector<unsigned char> SocketTest::ReceiveWhileInterrupted(const std::function<void()>& write,
                                                               int32_t size) {
    InterruptingSignal signal;
    EXPECT_TRUE(signal.Installed());
    ConnectSmall();

    std::atomic<bool> writing{true};
    int32_t writeError = 0;
    std::thread writer([&] {
        writeError = CodeOf(write);
        writing = false;
    });
    pthread_t reader = pthread_self();
    pthread_t writerHandle = writer.native_handle();
    std::thread interrupter([&] {
        while (writing) {
            pthread_kill(writerHandle, SIGUSR1);
            pthread_kill(reader, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });

    std::vector<unsigned char> received(static_cast<size_t>(size));
    int32_t got = 0;
    int32_t readError = CodeOf([&] {
        while (got < size)
            got += accepted_->Read(received.data() + got, std::min<int32_t>(size - got, 3000));
    });
    if (readError != 0)
        client_->Close(); // let a blocked writer fail instead of hanging
    writer.join();
    writing = false;
    interrupter.join();

    EXPECT_EQ(readError, 0);
    EXPECT_EQ(writeError, 0);
    EXPECT_EQ(got, size);
    // Nothing more than that was sent.
    client_->Close();
    unsigned char extra;
    EXPECT_EQ(CodeOf([&] { accepted_->Read(&extra, 1); }), 11907);
    return received;
}

TEST_F(SocketTest, ALargeWriteArrivesWholeThroughPartialSends) {
    constexpr int32_t Size = 8 * 1024 * 1024 + 7;
    std::vector<unsigned char> data = Pattern(Size, 0);
    auto received = ReceiveWhileInterrupted([&] { client_->Write(data.data(), Size); }, Size);
    EXPECT_TRUE(received == data);
}

TEST_F(SocketTest, TwoTextsWrittenTogetherArriveInOrder) {
    // The first call may stop inside either text: a long head, then a short one.
    const int32_t heads[] = {3 * 1024 * 1024 + 1, 100};
    for (int32_t headSize : heads) {
        std::vector<unsigned char> head = Pattern(headSize, 1);
        std::vector<unsigned char> body = Pattern(5 * 1024 * 1024 + 3, 2);
        String first(reinterpret_cast<const char*>(head.data()), headSize);
        String second(reinterpret_cast<const char*>(body.data()),
                      static_cast<int32_t>(body.size()));
        int32_t size = first.Length() + second.Length();
        auto received = ReceiveWhileInterrupted([&] { client_->Write(first, second); }, size);
        std::vector<unsigned char> expected = head;
        expected.insert(expected.end(), body.begin(), body.end());
        EXPECT_TRUE(received == expected) << headSize;
    }
}

// Fills the connection until the client's end takes no more bytes (the
// server's end reads nothing meanwhile); returns how many went in.
int32_t FillConnection(int handle) {
    std::vector<char> chunk(65536, '#');
    int32_t total = 0;
    auto quietSince = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - quietSince < std::chrono::milliseconds(200)) {
        ssize_t n = send(handle, chunk.data(), chunk.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            total += static_cast<int32_t>(n);
            quietSince = std::chrono::steady_clock::now();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return total;
}

TEST_F(SocketTest, AWriteInterruptedBeforeItsFirstByteCarriesOn) {
    InterruptingSignal signal;
    ASSERT_TRUE(signal.Installed());
    ConnectSmall();
    for (bool together : {false, true}) {
        int32_t filled = FillConnection(clientHandle_);
        std::atomic<bool> done{false};
        int32_t writeError = 0;
        std::thread writer([&] {
            writeError = CodeOf([&] {
                if (together)
                    client_->Write(String("head"), String("body"));
                else
                    client_->Write("headbody", 8);
            });
            done = true;
        });
        // The writer blocks with nothing sent; each signal makes its call fail
        // with EINTR.
        for (int i = 0; i < 5 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            pthread_kill(writer.native_handle(), SIGUSR1);
        }
        std::vector<char> received(static_cast<size_t>(filled) + 8);
        int32_t readError = CodeOf([&] {
            ReadExactly(*accepted_, received.data(), static_cast<int32_t>(received.size()));
        });
        writer.join();
        EXPECT_EQ(writeError, 0) << together;
        EXPECT_EQ(readError, 0) << together;
        EXPECT_EQ(std::string(received.end() - 8, received.end()), "headbody") << together;
    }
}

TEST_F(SocketTest, TwoTextsWrittenTogetherMayBeEmpty) {
    Connect(0, 20000);
    client_->Write(String(), String("abc"));
    client_->Write(String("de"), String());
    client_->Write(String(), String());
    client_->Write(String("f"), String("g"));
    char buffer[8] = {};
    ReadExactly(*accepted_, buffer, 7);
    EXPECT_EQ(std::string(buffer, 7), "abcdefg");
    client_->Close();
    EXPECT_EQ(CodeOf([&] { accepted_->Get(); }), 11907);
}

TEST_F(SocketTest, APortHeldByAnotherListenerIsRefused) {
    EXPECT_EQ(CodeOf([&] { ServerSocket second(Loopback(port_)); }), EADDRINUSE);

    // Another program's listener, bound without SO_REUSEADDR.
    server_.reset();
    int other = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(other, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port_);
    ASSERT_EQ(bind(other, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(other, 1), 0);
    int32_t code = CodeOf([&] { ServerSocket ours(Loopback(port_)); });
    close(other);
    EXPECT_EQ(code, EADDRINUSE);
}

TEST_F(SocketTest, ARestartNeedNotWaitForClosedConnections) {
    // The server ends the connection first, which leaves its side in TIME_WAIT
    // on the listening port.
    Connect();
    accepted_->Close();
    EXPECT_EQ(CodeOf([&] { client_->Get(); }), 11907);
    client_->Close();
    server_.reset();
    ASSERT_NO_THROW(server_ = std::make_unique<ServerSocket>(Loopback(port_)));
    EXPECT_EQ(server_->LocalAddress().Port(), port_);
}

TEST_F(SocketTest, InterruptMakesABlockedAcceptFail) {
    auto outcome =
        std::async(std::launch::async, [this] { return CodeOf([this] { server_->Accept(0); }); });
    // Give the thread time to block; interrupting earlier must work too.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server_->Interrupt();
    ASSERT_EQ(outcome.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_NE(outcome.get(), 0);
    server_->Close();
    server_->Close();
}

TEST_F(SocketTest, AcceptedSocketsQueueInTheBacklog) {
    // More clients than the old backlog of five connect before any accept.
    std::vector<std::unique_ptr<Socket>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(std::make_unique<Socket>(5000)); // bounds a refused connect
        clients.back()->Connect(Loopback(port_));
        clients.back()->Put(static_cast<char>('a' + i));
    }
    std::vector<bool> seen(20, false);
    for (int i = 0; i < 20; ++i) {
        auto socket = server_->Accept(10000);
        int32_t c = socket->Get() - 'a';
        ASSERT_GE(c, 0);
        ASSERT_LT(c, 20);
        seen[static_cast<size_t>(c)] = true;
    }
    for (bool s : seen)
        EXPECT_TRUE(s);
}

} // namespace
} // namespace tb
