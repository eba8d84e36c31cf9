// Answers of cover sites read whole or not at all: every framing, split at
// every size, compressed bodies, and answers that lie or never end.
#include "covers/SiteAnswer.h"

#include "FakeCoverSite.h"
#include "core/Exceptions.h"
#include "covers/CrawlerException.h"

#include <gtest/gtest.h>
#include <string>
#include <zlib.h>

namespace tb {
namespace {

using test::Compress;

// `bytes` in pieces of `piece` bytes, then the peer's close.
class Scripted : public InputStream {
public:
    Scripted(std::string bytes, size_t piece) : bytes_(std::move(bytes)), piece_(piece) {}
    int32_t Read(void* buffer, int32_t maximum) override {
        if (at_ == bytes_.size())
            throw SocketException(SocketException::PeerClosed);
        size_t n = std::min({piece_, bytes_.size() - at_, static_cast<size_t>(maximum)});
        bytes_.copy(static_cast<char*>(buffer), n, at_);
        at_ += n;
        return static_cast<int32_t>(n);
    }
    int32_t Get() override { return -1; }

private:
    std::string bytes_;
    size_t piece_;
    size_t at_ = 0;
};

TEST(SiteAnswerTest, ReadsEveryFramingAndEncoding) {
    std::string picture(70000, '\0');
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>(i * 7 % 251);
    std::string gzip = Compress(picture, 16 + MAX_WBITS);
    const struct {
        std::string answer;
        int status;
        std::string body;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello and more", 200, "hello"},
        {"HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n5;x=1\r\nhello\r\n"
         "A\r\n, chunked!\r\n0\r\n\r\n",
         200, "hello, chunked!"},
        {"HTTP/1.0 404 Not Found\r\n\r\nto the close", 404, "to the close"},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " +
             std::to_string(gzip.size()) + "\r\n\r\n" + gzip,
         200, picture},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\n\r\n" +
             Compress("zlib framed", MAX_WBITS),
         200, "zlib framed"},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: Deflate\r\n\r\n" + Compress("raw", -MAX_WBITS), 200,
         "raw"},
        {"NOSPACE\r\n\r\nbody", -1, "body"},
    };
    for (const auto& c : cases)
        for (size_t piece : {1, 7, 20000}) {
            Scripted source(c.answer, piece);
            SiteAnswer answer;
            try {
                answer = ReadSiteAnswer(source, PictureLimit);
            } catch (const DizerOviziraObjectException&) {
                ADD_FAILURE() << "refused " << c.answer.substr(0, 60) << " in " << piece;
                continue;
            }
            EXPECT_EQ(answer.status, c.status) << c.answer.substr(0, 60);
            EXPECT_TRUE(answer.body == c.body) << c.answer.substr(0, 60) << " in " << piece;
        }
}

TEST(SiteAnswerTest, RefusesWhatIsNotWhole) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string cases[] = {
        ok + "Content-Length: 10\r\n\r\nshort",                             // ends early
        ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n",            // no last chunk
        ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhelloXX\r\n0\r\n\r\n", // no CRLF after data
        ok + "Transfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFF\r\nx",    // size overflows
        ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\nx",                   // size not hex
        ok + "Content-Length: -5\r\n\r\n",                                  // no length
        ok + "Content-Length: 99999999999\r\n\r\n",                         // past the bound
        ok + "Content-Encoding: gzip\r\n\r\nnot compressed at all",
        ok + "\r\n" + std::string(PageLimit + 1, 'x'),     // endless body
        ok + "X: " + std::string(70000, 'h') + "\r\n\r\n", // endless header
        "HTTP/1.1 200 OK",                                 // no header end
    };
    for (const auto& answer : cases) {
        Scripted source(answer, 4096);
        EXPECT_THROW(ReadSiteAnswer(source, PageLimit), DizerOviziraObjectException)
            << answer.substr(0, 80);
    }
    std::string bomb = Compress(std::string(PageLimit + 10, 'a'), 16 + MAX_WBITS);
    Scripted source(ok + "Content-Encoding: gzip\r\n\r\n" + bomb, 4096);
    EXPECT_THROW(ReadSiteAnswer(source, PageLimit), DizerOviziraObjectException);
}

} // namespace
} // namespace tb
