// How requests are cut out of what a connection receives.
#include "server/RequestReader.h"

#include "core/Exceptions.h"
#include "core/Socket.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tb {
namespace {

using Result = RequestReader::Result;

// A reader on one end of a socket pair; the test writes to the other end.
class Connection {
public:
    explicit Connection(int32_t timeoutMs = 2000) {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        own_ = fds[0];
        peer_ = fds[1];
        socket_ = std::make_unique<Socket>(own_, 0);
        reader_ = std::make_unique<RequestReader>(*socket_, timeoutMs);
    }
    ~Connection() { ::close(peer_); }

    void Write(const std::string& bytes) {
        ASSERT_EQ(::write(peer_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void EndWrites() { ::shutdown(peer_, SHUT_WR); }
    // Waits (bounded) until the reader has taken every byte written so far.
    void WaitTaken() {
        int unread = 1;
        for (int i = 0; i < 5000 && ::ioctl(own_, FIONREAD, &unread) == 0 && unread > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The next request as text, or what the reader said instead.
    std::string Next() {
        Result r = reader_->Next();
        if (r != Result::Request)
            return r == Result::TooLarge ? "<too large>" : "<timed out>";
        EXPECT_EQ(reader_->Bytes()[reader_->Count()], '\0');
        return std::string(reader_->Bytes(), static_cast<size_t>(reader_->Count()));
    }

private:
    int own_ = -1, peer_ = -1;
    std::unique_ptr<Socket> socket_;
    std::unique_ptr<RequestReader> reader_;
};

TEST(RequestReaderTest, RequestsSplitAtEveryByteBoundaryReadWhole) {
    const std::pair<std::string, std::string> pairs[] = {
        {"POST /nav HTTP/1.1\r\nContent-Length: 7\r\n\r\nab\r\n\r\nc",
         "GET /next HTTP/1.1\r\nHost: h\r\n\r\n"},
        {"GET /a HTTP/1.0\nHost: h\n\n", "POST /b HTTP/1.0\nContent-Length: 3\n\nxyz"},
    };
    for (const auto& [first, second] : pairs)
        for (size_t split = 1; split < first.size() + second.size() && !HasFailure(); ++split) {
            Connection c;
            std::string text = first + second;
            std::thread writer([&] {
                c.Write(text.substr(0, split));
                c.WaitTaken();
                c.Write(text.substr(split));
            });
            EXPECT_EQ(c.Next(), first) << "split at " << split;
            EXPECT_EQ(c.Next(), second) << "split at " << split;
            writer.join();
        }
}

// Requests written at once are handed over one by one. A body's length
// comes from a Content-Length header only; one that is no number means no
// body, one beyond the buffer is cut there. A header block must fit the
// buffer; bytes that cannot begin GET or POST go at once.
TEST(RequestReaderTest, WhatIsOneRequest) {
    const size_t size = RequestReader::BufferSize;
    const std::string head = "GET /" + std::string(size - 18, 'a') + " HTTP/1.1\r\n\r\n";
    const std::string big = "POST /nav HTTP/1.1\r\nContent-Length: 50000\r\n\r\n";
    const std::string huge = "POST /nav HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n";
    const std::string get = "GET /b HTTP/1.1\r\n\r\n";
    const std::vector<std::string> sequences[] = {
        {"GET /a HTTP/1.1\r\n\r\n", "get /b HTTP/1.1\nX: y\n\n",
         "GET /d HTTP/1.1\r\nHost: h\r\n\n"},
        {"POST /a HTTP/1.1\r\ncontent-LENGTH:4\r\n\r\n\r\n\r\n",
         "POST /b HTTP/1.1\r\nContent-Length:\t 2 \r\n\r\nxy",
         "POST /d?Content-Length:5 HTTP/1.1\r\n\r\n", get},
        {"POST /a HTTP/1.1\r\nContent-Length: -5\r\n\r\n", get},
        {"POST /a HTTP/1.1\r\nContent-Length: -99999999999\r\n\r\n", get},
        {"POST /a HTTP/1.1\r\nContent-Length: abc\r\n\r\n", get},
        {"POST /a HTTP/1.1\r\nContent-Length: \r\n\r\n", get},
        {"POST /a HTTP/1.1\r\nContent-Length: - 3\r\n\r\n", get},
        {big + std::string(size - big.size(), 'x')},
        {huge + std::string(size - huge.size(), 'x')},
        {head, get},
        {"HEAD / HTTP/1.1\r\n"},
        {"X"},
        {"GEt/"},
        {"POS\r"},
        {"\r\n"},
    };
    for (const auto& requests : sequences) {
        Connection c(10000);
        std::string all;
        for (const std::string& r : requests)
            all += r;
        c.Write(all + (requests[0].size() == size ? std::string(size, 'x') : ""));
        for (const std::string& r : requests)
            EXPECT_EQ(c.Next(), r);
    }
    for (const std::string& tooLarge : {"GET /" + std::string(size - 17, 'a') + " HTTP/1.1\r\n\r\n",
                                        "POST /" + std::string(3 * size, 'b')}) {
        Connection c;
        c.Write(tooLarge);
        EXPECT_EQ(c.Next(), "<too large>");
    }
}

TEST(RequestReaderTest, TheEndOfTheStreamHandsOverWhatIsPendingThenThrows) {
    for (const std::string pending : {"", "GET /x HTTP/1.1\r\nHost: a",
                                      "POST /y HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc", "G"}) {
        Connection c;
        c.Write("GET /full HTTP/1.1\r\n\r\n" + pending);
        c.EndWrites();
        EXPECT_EQ(c.Next(), "GET /full HTTP/1.1\r\n\r\n");
        if (!pending.empty()) {
            EXPECT_EQ(c.Next(), pending);
        }
        try {
            c.Next();
            ADD_FAILURE() << "no exception after " << pending;
        } catch (const SocketException& e) {
            EXPECT_EQ(e.Value(), SocketException::PeerClosed);
        }
    }
}

TEST(RequestReaderTest, AnIncompleteRequestTimesOut) {
    for (const char* partial : {"", "G", "p", "GET / HTTP/1.1\r\n", "POST / HTTP/1.1\r\n",
                                "POST / HTTP/1.1\r\nContent-Length: 3\r\n\r\nab"}) {
        Connection c(200);
        c.Write(partial);
        EXPECT_EQ(c.Next(), "<timed out>") << partial;
    }
}

} // namespace
} // namespace tb
