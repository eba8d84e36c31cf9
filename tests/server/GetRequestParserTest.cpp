#include "server/GetRequestParser.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

ParsedGetRequest Parse(const std::string& headers, const std::string& target = "/x",
                       const std::string& version = "HTTP/1.0") {
    return ParseGetRequest("GET " + target + " " + version + "\r\n" + headers + "\r\n");
}

TEST(GetRequestParserTest, PingIsRecognisedOnlyWhenExact) {
    EXPECT_TRUE(Parse("", "/ping", "HTTP/1.1").isPing);
    EXPECT_FALSE(Parse("", "/ping?x").isPing);
    EXPECT_FALSE(Parse("", "/PING").isPing);
    EXPECT_FALSE(Parse("", "/ping/").isPing);
    // A ping reads nothing else, not even a device user agent.
    EXPECT_FALSE(Parse("User-Agent: Streamium\r\n", "/ping").fromDevice);
}

TEST(GetRequestParserTest, PersistenceComesFromVersionOrKeepAliveHeader) {
    EXPECT_TRUE(Parse("", "/x", "HTTP/1.1").persistent);
    EXPECT_TRUE(Parse("", "/x", "http/1.1").persistent);
    EXPECT_FALSE(Parse("", "/x", "HTTP/1.0").persistent);
    EXPECT_TRUE(Parse("connection: keep-alive\r\n").persistent);
    EXPECT_FALSE(Parse("Connection: close\r\n").persistent);
}

TEST(GetRequestParserTest, DeviceUserAgentIsCaseInsensitivePrefix) {
    EXPECT_TRUE(Parse("User-Agent: streamium/2\r\n").fromDevice);
    EXPECT_TRUE(Parse("User-Agent:    Streamium\r\n").fromDevice);
    EXPECT_FALSE(Parse("User-Agent: XStreamium\r\n").fromDevice);
    EXPECT_FALSE(Parse("User-Agent: Mozilla/5.0\r\n").fromDevice);
}

TEST(GetRequestParserTest, RangeStartIsReadWithItsSign) {
    EXPECT_EQ(Parse("Range: bytes=1000-\r\n").request.rangeStart, 1000);
    EXPECT_EQ(Parse("Range: bytes=-500\r\n").request.rangeStart, -500);
    EXPECT_EQ(Parse("Range: bytes=abc\r\n").request.rangeStart, 0);
    EXPECT_EQ(Parse("Range: bytes=99999999999999-\r\n").request.rangeStart, INT32_MAX);
    EXPECT_EQ(Parse("").request.rangeStart, 0);
}

TEST(GetRequestParserTest, CredentialsAndConditionalHeaders) {
    HttpRequest r = Parse("Authorization: Basic dXNlcjpwYXNz\r\n"
                          "If-Modified-Since: Sun, 6 Mar 2005 9:5:3 GMT\r\n"
                          "If-None-Match: \"0001c5a2b3c4d5e6\"\r\n")
                        .request;
    EXPECT_EQ(r.credentials, "dXNlcjpwYXNz");
    EXPECT_EQ(r.ifModifiedSince, "Sun, 6 Mar 2005 9:5:3 GMT");
    EXPECT_EQ(r.ifNoneMatch, "0001c5a2b3c4d5e6");
    EXPECT_EQ(Parse("If-None-Match: *\r\n").request.ifNoneMatch, "");
    EXPECT_EQ(Parse("If-None-Match: \"unterminated\r\n").request.ifNoneMatch, "");
    // Exactly one space after the colon is recognised.
    EXPECT_EQ(Parse("Authorization: Basic  two-spaces\r\n").request.credentials, " two-spaces");
    EXPECT_EQ(Parse("Authorization:Basic none\r\n").request.credentials, "");
    EXPECT_EQ(Parse("if-none-match:\"x\"\r\n").request.ifNoneMatch, "");
}

TEST(GetRequestParserTest, LaterHeaderReplacesEarlierAndScanStopsAtBlankLine) {
    auto parsed = ParseGetRequest("GET /x HTTP/1.0\r\nRange: bytes=1\r\nRange: bytes=2\r\n\r\n"
                                  "Range: bytes=3\r\nUser-Agent: Streamium\r\n\r\n");
    EXPECT_EQ(parsed.request.rangeStart, 2);
    EXPECT_FALSE(parsed.fromDevice);
}

TEST(GetRequestParserTest, IcyMetadataOnlyWhenOne) {
    EXPECT_TRUE(Parse("icy-metadata:1\r\n").request.wantsMetadata);
    EXPECT_TRUE(Parse("Icy-MetaData: 1\r\n").request.wantsMetadata);
    EXPECT_FALSE(Parse("icy-metadata:2\r\n").request.wantsMetadata);
    EXPECT_FALSE(Parse("icy-metadata:\r\n").request.wantsMetadata);
}

TEST(GetRequestParserTest, TargetEndsAtWhiteSpaceOrControl) {
    EXPECT_EQ(Parse("", "/a%20b").request.path, "/a b");
    EXPECT_EQ(ParseGetRequest("GET /abc\tdef").request.path, "/abc");
    EXPECT_EQ(ParseGetRequest(std::string_view("GET /ab\0cd HTTP/1.1", 19)).request.path, "/ab");
    EXPECT_EQ(ParseGetRequest("GET ").request.path, "");
    EXPECT_EQ(ParseGetRequest("GE").request.path, "");
}

TEST(GetRequestParserTest, DecodePercent) {
    EXPECT_EQ(DecodePercent("/a%20b"), "/a b");
    EXPECT_EQ(DecodePercent("/a+b"), "/a+b");
    EXPECT_EQ(DecodePercent("/x%3Fy=1"), "/x?y=1");
    EXPECT_EQ(DecodePercent("%4a%4A"), "JJ");
    EXPECT_EQ(DecodePercent("%zz%4%"), "%zz%4%");
    EXPECT_EQ(DecodePercent("%00").Length(), 1);
    EXPECT_EQ(DecodePercent(std::string(5000, '%')).Length(), MaxDecodedLength);
    EXPECT_EQ(DecodePercent(std::string(3000, 'a') + "%41").Length(), MaxDecodedLength);
}

TEST(GetRequestParserTest, GetParamFindsUnanchoredAndStopsAtSeparators) {
    EXPECT_EQ(GetParam("eui64", "POST /?eui64=0123456789abcdef HTTP/1.1"), "0123456789abcdef");
    EXPECT_EQ(GetParam("eui64", "/?xeui64=1&b=2"), "1");
    EXPECT_EQ(GetParam("EUI64", "/?a=1&eui64=ab&c"), "ab");
    EXPECT_EQ(GetParam("eui64", "/?eui64=ab\r\nHost: x"), "ab");
    EXPECT_EQ(GetParam("eui64", "/?eui64"), "");
    EXPECT_EQ(GetParam("eui64", "/?eui64="), "");
    EXPECT_EQ(GetParam("eui64", ""), "");
}

TEST(GetRequestParserTest, BaseUrlFromExactHostLine) {
    EXPECT_EQ(BaseUrl("GET / HTTP/1.1\r\nHost: 192.168.0.2:42961\r\n\r\n"),
              "http://192.168.0.2:42961/");
    EXPECT_EQ(BaseUrl("GET / HTTP/1.1\r\nhost: a\r\n\r\n"), "");
    EXPECT_EQ(BaseUrl("GET / HTTP/1.1\r\nHost: a"), "");
    EXPECT_EQ(BaseUrl("GET / HTTP/1.1\r\n\r\n"), "");
}

} // namespace
} // namespace tb
