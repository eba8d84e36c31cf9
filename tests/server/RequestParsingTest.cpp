// The pure parts of the request path: cutting requests out of what a
// connection receives, reading a GET, and the logged request text.
#include "core/Exceptions.h"
#include "core/Socket.h"
#include "server/GetRequestParser.h"
#include "server/RequestLogText.h"
#include "server/RequestReader.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
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

ParsedGetRequest Parse(const std::string& headers) {
    return ParseGetRequest("GET /x HTTP/1.0\r\n" + headers + "\r\n");
}

TEST(GetRequestParserTest, HeaderValues) {
    struct Case {
        std::string headers;
        int32_t range;
        std::string credentials;
    } cases[] = {
        {"Range: bytes=1000-\r\n", 1000, ""},
        {"Range: bytes=-500\r\n", -500, ""},
        {"Range: bytes=abc\r\n", 0, ""},
        {"Range: bytes=99999999999999-\r\n", INT32_MAX, ""},
        // A later header replaces an earlier one.
        {"Range: bytes=1\r\nRange: bytes=2\r\n", 2, ""},
        {"Authorization: Basic dXNlcjpwYXNz\r\n", 0, "dXNlcjpwYXNz"},
        // Exactly one space after the colon is recognised.
        {"Authorization: Basic  two-spaces\r\n", 0, " two-spaces"},
        {"Authorization:Basic none\r\n", 0, ""},
    };
    for (const Case& c : cases) {
        HttpRequest r = Parse(c.headers).request;
        SCOPED_TRACE(c.headers);
        EXPECT_EQ(r.rangeStart, c.range);
        EXPECT_EQ(r.credentials, c.credentials.c_str());
    }
    // The scan stops at the blank line.
    auto parsed = ParseGetRequest("GET /x HTTP/1.0\r\nRange: bytes=2\r\n\r\n"
                                  "Range: bytes=3\r\nUser-Agent: Streamium\r\n\r\n");
    EXPECT_EQ(parsed.request.rangeStart, 2);
    EXPECT_FALSE(parsed.fromDevice);
}

TEST(GetRequestParserTest, TargetDecodingAndParameters) {
    EXPECT_EQ(ParseGetRequest("GET /a%20b HTTP/1.0").request.path, "/a b");
    EXPECT_EQ(ParseGetRequest("GET /abc\tdef").request.path, "/abc");
    EXPECT_EQ(ParseGetRequest(std::string_view("GET /ab\0cd HTTP/1.1", 19)).request.path, "/ab");
    EXPECT_EQ(ParseGetRequest("GET ").request.path, "");
    EXPECT_EQ(ParseGetRequest("GE").request.path, "");

    const std::pair<std::string, std::string> decoded[] = {
        {"/a%20b", "/a b"},  {"/a+b", "/a+b"},     {"/x%3Fy=1", "/x?y=1"},
        {"%4a%4A", "JJ"},    {"%zz%4%", "%zz%4%"}, {"%00", std::string(1, '\0')},
        {"%3C&%22", "<&\""},
    };
    for (const auto& [text, expected] : decoded)
        EXPECT_EQ(std::string(DecodePercent(text).View()), expected) << text;
    EXPECT_EQ(DecodePercent(std::string(5000, '%')).Length(), MaxDecodedLength);
    EXPECT_EQ(DecodePercent(std::string(3000, 'a') + "%41").Length(), MaxDecodedLength);

    EXPECT_EQ(GetParam("eui64", "POST /?eui64=0123456789abcdef HTTP/1.1"), "0123456789abcdef");
    EXPECT_EQ(GetParam("eui64", "/?xeui64=1&b=2"), "1");
    EXPECT_EQ(GetParam("EUI64", "/?a=1&eui64=ab&c"), "ab");
    EXPECT_EQ(GetParam("eui64", "/?eui64=ab\r\nHost: x"), "ab");
    EXPECT_EQ(GetParam("eui64", "/?eui64"), "");
    EXPECT_EQ(GetParam("eui64", ""), "");
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

} // namespace
} // namespace tb
