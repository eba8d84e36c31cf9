#include "server/RequestReader.h"

#include "core/Exceptions.h"
#include "core/Socket.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
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
        socket_ = std::make_unique<Socket>(fds[0], 0);
        own_ = fds[0];
        peer_ = fds[1];
        reader_ = std::make_unique<RequestReader>(*socket_, timeoutMs);
    }
    ~Connection() { ::close(peer_); }

    void Write(const std::string& bytes) {
        ASSERT_EQ(::write(peer_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void EndWrites() { ::shutdown(peer_, SHUT_WR); }
    // Waits (bounded) until the reader has taken every byte written so far.
    void WaitTaken() {
        auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int unread = 1;
        while (::ioctl(own_, FIONREAD, &unread) == 0 && unread > 0 &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    // The next request as text; fails the test when it is not one.
    std::string Next() {
        Result r = reader_->Next();
        EXPECT_EQ(r, Result::Request);
        if (r != Result::Request)
            return "<no request>";
        EXPECT_EQ(reader_->Bytes()[reader_->Count()], '\0');
        return std::string(reader_->Bytes(), static_cast<size_t>(reader_->Count()));
    }
    RequestReader& Reader() { return *reader_; }

private:
    std::unique_ptr<Socket> socket_;
    int own_ = -1; // the socket's handle
    int peer_ = -1;
    std::unique_ptr<RequestReader> reader_;
};

// Sends `first` and, once the reader has taken it, `second`; then reads
// the requests expected from the concatenation.
void ExpectSplitReadAs(const std::string& text, size_t split,
                       const std::vector<std::string>& expected) {
    Connection c;
    std::thread writer([&] {
        c.Write(text.substr(0, split));
        c.WaitTaken();
        c.Write(text.substr(split));
    });
    for (const std::string& request : expected)
        EXPECT_EQ(c.Next(), request) << "split at " << split;
    writer.join();
}

TEST(RequestReaderTest, RequestsSplitAtEveryByteBoundaryReadWhole) {
    const std::string post = "POST /nav HTTP/1.1\r\nContent-Length: 7\r\n\r\nab\r\n\r\nc";
    const std::string get = "GET /next HTTP/1.1\r\nHost: h\r\n\r\n";
    for (size_t split = 1; split < post.size() + get.size() && !HasFailure(); ++split)
        ExpectSplitReadAs(post + get, split, {post, get});
}

TEST(RequestReaderTest, LfOnlyRequestsSplitAtEveryByteBoundaryReadWhole) {
    const std::string first = "GET /a HTTP/1.0\nHost: h\n\n";
    const std::string second = "POST /b HTTP/1.0\nContent-Length: 3\n\nxyz";
    for (size_t split = 1; split < first.size() + second.size() && !HasFailure(); ++split)
        ExpectSplitReadAs(first + second, split, {first, second});
}

TEST(RequestReaderTest, PipelinedRequestsInOneWriteAreSeparated) {
    Connection c;
    const std::string a = "GET /a HTTP/1.1\r\n\r\n";
    const std::string b = "get /b HTTP/1.1\nX: y\n\n";
    const std::string d = "GET /d HTTP/1.1\r\nHost: h\r\n\n";
    c.Write(a + b + d);
    EXPECT_EQ(c.Next(), a);
    EXPECT_EQ(c.Next(), b);
    EXPECT_EQ(c.Next(), d);
}

TEST(RequestReaderTest, HeaderBlockLimits) {
    const size_t size = RequestReader::BufferSize;
    const std::string head = "GET /";
    const std::string end = " HTTP/1.1\r\n\r\n";
    {
        // A header block of exactly the buffer's size still fits.
        Connection c;
        std::string exact = head + std::string(size - head.size() - end.size(), 'a') + end;
        c.Write(exact + "GET /next HTTP/1.1\r\n\r\n");
        EXPECT_EQ(c.Next(), exact);
        EXPECT_EQ(c.Next(), "GET /next HTTP/1.1\r\n\r\n");
    }
    {
        // One byte more does not.
        Connection c;
        c.Write(head + std::string(size + 1 - head.size() - end.size(), 'a') + end);
        EXPECT_EQ(c.Reader().Next(), Result::TooLarge);
    }
    {
        Connection c;
        c.Write("POST /" + std::string(3 * size, 'b'));
        EXPECT_EQ(c.Reader().Next(), Result::TooLarge);
    }
}

TEST(RequestReaderTest, ContentLengthBeyondTheBufferIsCutAtTheBuffer) {
    const size_t size = RequestReader::BufferSize;
    for (const char* length : {"50000", "99999999999999999999"}) {
        Connection c;
        std::string text = std::string("POST /nav HTTP/1.1\r\nContent-Length: ") + length +
                           "\r\n\r\n" + std::string(2 * size, 'x');
        c.Write(text);
        EXPECT_EQ(c.Next(), text.substr(0, size)) << length;
    }
}

TEST(RequestReaderTest, BodyLengthComesFromContentLengthOnly) {
    Connection c;
    const std::string a = "POST /a HTTP/1.1\r\ncontent-LENGTH:4\r\n\r\n\r\n\r\n";
    const std::string b = "POST /b HTTP/1.1\r\nContent-Length:\t 2 \r\n\r\nxy";
    // Content-Length in a body or a request line is not a header.
    const std::string d = "POST /d?Content-Length:5 HTTP/1.1\r\n\r\n";
    const std::string e = "GET /e HTTP/1.1\r\n\r\n";
    c.Write(a + b + d + e);
    EXPECT_EQ(c.Next(), a);
    EXPECT_EQ(c.Next(), b);
    EXPECT_EQ(c.Next(), d);
    EXPECT_EQ(c.Next(), e);
}

TEST(RequestReaderTest, NegativeOrGarbageContentLengthMeansNoBody) {
    for (const char* length : {"-5", "-99999999999", "abc", "", "+", "- 3"}) {
        Connection c;
        std::string post =
            std::string("POST /a HTTP/1.1\r\nContent-Length: ") + length + "\r\n\r\n";
        const std::string next = "GET /b HTTP/1.1\r\n\r\n";
        c.Write(post + next);
        EXPECT_EQ(c.Next(), post) << length;
        EXPECT_EQ(c.Next(), next) << length;
    }
}

TEST(RequestReaderTest, EndOfStreamHandsOverAPendingRequestThenThrows) {
    for (const std::string pending :
         {"GET /x HTTP/1.1\r\nHost: a", "POST /y HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc", "G"}) {
        Connection c;
        c.Write("GET /full HTTP/1.1\r\n\r\n" + pending);
        c.EndWrites();
        EXPECT_EQ(c.Next(), "GET /full HTTP/1.1\r\n\r\n");
        EXPECT_EQ(c.Next(), pending);
        try {
            c.Reader().Next();
            ADD_FAILURE() << "no exception after " << pending;
        } catch (const SocketException& e) {
            EXPECT_EQ(e.Value(), SocketException::PeerClosed);
        }
    }
}

TEST(RequestReaderTest, EndOfStreamWithNothingPendingThrowsPeerClosed) {
    Connection c;
    c.EndWrites();
    try {
        c.Reader().Next();
        ADD_FAILURE() << "no exception";
    } catch (const SocketException& e) {
        EXPECT_EQ(e.Value(), SocketException::PeerClosed);
    }
}

TEST(RequestReaderTest, IncompleteRequestTimesOut) {
    for (const char* partial : {"", "G", "p", "GET / HTTP/1.1\r\n", "POST / HTTP/1.1\r\n",
                                "POST / HTTP/1.1\r\nContent-Length: 3\r\n\r\nab"}) {
        Connection c(200);
        c.Write(partial);
        EXPECT_EQ(c.Reader().Next(), Result::TimedOut) << partial;
    }
}

TEST(RequestReaderTest, FirstBytesThatCannotBeGetOrPostAreHandedOverAtOnce) {
    for (const char* start : {"HEAD / HTTP/1.1\r\n", "X", "GEt/", "POS\r", "\r\n"}) {
        Connection c(10000);
        c.Write(start);
        EXPECT_EQ(c.Next(), start);
    }
}

} // namespace
} // namespace tb
