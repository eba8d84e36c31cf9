#include "server/ResponseHeaders.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {
namespace {

std::string Text(const String& s) {
    return std::string(s.View());
}

TEST(ResponseHeadersTest, Html200WithLengthFiveAndTagAbc) {
    EXPECT_EQ(Text(Html200(5, "abc")), "HTTP/1.1 200 OK\r\n"
                                       "Accept-Ranges: bytes\r\n"
                                       "Cache-Control: private\r\n"
                                       "Content-Length:5\r\n"
                                       "ETag: \"abc\"\r\n"
                                       "Content-Type: text/html\r\n"
                                       "\r\n");
}

TEST(ResponseHeadersTest, OtherContentTypesDifferOnlyInTheirLastLine) {
    const std::string common = "HTTP/1.1 200 OK\r\n"
                               "Accept-Ranges: bytes\r\n"
                               "Cache-Control: private\r\n"
                               "Content-Length:123456\r\n"
                               "ETag: \"01c5228f6b0e4a00x2048\"\r\n";
    const String tag = "01c5228f6b0e4a00x2048";
    EXPECT_EQ(Text(Xml200(123456, tag)), common + "Content-Type: text/xml\r\n\r\n");
    EXPECT_EQ(Text(Gif200(123456, tag)), common + "Content-Type: image/gif\r\n\r\n");
    EXPECT_EQ(Text(Jpg200(123456, tag)), common + "Content-Type: image/jpg\r\n\r\n");
    EXPECT_EQ(Text(Html200(0, "")), "HTTP/1.1 200 OK\r\n"
                                    "Accept-Ranges: bytes\r\n"
                                    "Cache-Control: private\r\n"
                                    "Content-Length:0\r\n"
                                    "ETag: \"\"\r\n"
                                    "Content-Type: text/html\r\n"
                                    "\r\n");
}

TEST(ResponseHeadersTest, NotModifiedAndUnauthorizedTemplates) {
    EXPECT_EQ(Text(NotModified304("Sun, 6 Mar 2005 9:5:3 GMT")),
              "HTTP/1.1 304 Not modified\r\n"
              "Date: Sun, 6 Mar 2005 9:5:3 GMT\r\n"
              "\r\n");
    EXPECT_EQ(Text(Unauthorized401(54)), "HTTP/1.1 401 Not authorized\r\n"
                                         "Accept-Ranges: bytes\r\n"
                                         "Content-Length:54\r\n"
                                         "WWW-Authenticate: BASIC realm=\"StreamServerWeb\"\r\n"
                                         "Content-Type: text/html\r\n"
                                         "\r\n");
}

// A file in the test's own temporary folder, removed afterwards.
class FileETagTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tb-etag-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/song.mp3";
    }
    void TearDown() override {
        ::unlink(path_.c_str());
        ::rmdir(dir_.c_str());
    }
    // Creates the file with `size` bytes (sparse) and the given last-write
    // Windows file time (100 ns units since 1601).
    void MakeFile(int64_t size, uint64_t fileTime) {
        int fd = ::open(path_.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        constexpr uint64_t ticksPerSecond = 10'000'000;
        constexpr int64_t secondsFrom1601To1970 = 11'644'473'600;
        timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = static_cast<time_t>(static_cast<int64_t>(fileTime / ticksPerSecond) -
                                              secondsFrom1601To1970);
        times[1].tv_nsec = static_cast<long>(fileTime % ticksPerSecond) * 100;
        ASSERT_EQ(::utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
    }

    std::string dir_;
    std::string path_;
};

TEST_F(FileETagTest, TagIsLastWriteTimeInHexXSize) {
    MakeFile(2048, 0x01c5228f6b0e4a00);
    EXPECT_EQ(Text(FileETag(path_.c_str())), "01c5228f6b0e4a00x2048");
}

TEST_F(FileETagTest, TimeKeepsItsHundredNanosecondDigit) {
    MakeFile(7, 0x01d9abcdef012345);
    EXPECT_EQ(Text(FileETag(path_.c_str())), "01d9abcdef012345x7");
}

TEST_F(FileETagTest, SizeIsTheLowThirtyTwoBits) {
    // 4 GiB + 5 bytes, sparse so that it costs no disk space.
    MakeFile((int64_t{1} << 32) + 5, 0x01c5228f6b0e4a00);
    EXPECT_EQ(Text(FileETag(path_.c_str())), "01c5228f6b0e4a00x5");
}

TEST_F(FileETagTest, MissingFileCountsAsTimeZeroAndSizeZero) {
    EXPECT_EQ(Text(FileETag(path_.c_str())), "0000000000000000x0");
    EXPECT_EQ(Text(FileETag("")), "0000000000000000x0");
}

} // namespace
} // namespace tb
