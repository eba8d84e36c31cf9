// The station client's parsing: URLs, the answer header fed in pieces,
// audio separated from metadata blocks at every split, and metadata items.
#include "radio/IcyStreamReader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tb {
namespace {

TEST(HttpUrlTest, SplitsHostPortAndPath) {
    const struct {
        const char *url, *host, *port, *path;
    } cases[] = {
        {"http://host:8000", "host", "8000", "/"},
        {"host/stream", "host", "80", "/stream"},
        {"HTTP://Radio.example:81/a/b?x=1", "Radio.example", "81", "/a/b?x=1"},
        {"https://host/x", "https", "", "//host/x"}, // no other scheme is known
        {"", "", "80", "/"},
    };
    for (const auto& c : cases) {
        HttpUrl parts = SplitHttpUrl(c.url);
        EXPECT_EQ(std::string(parts.host.View()) + "|" + std::string(parts.port.View()) + "|" +
                      std::string(parts.path.View()),
                  std::string(c.host) + "|" + c.port + "|" + c.path)
            << c.url;
    }
    EXPECT_EQ(StationRequest(SplitHttpUrl("http://host:8000/live")),
              "GET /live HTTP/1.1\r\nHost: host\r\nAccept: */*\r\nRange: bytes=0-\r\n"
              "Connection: close\r\nicy-metadata: 1\r\n\r\n");
}

// The header in the given pieces; what followed it as the first chunk.
struct HeaderResult {
    IcyStreamReader reader;
    bool ended = false;
    std::string after;
};
void Feed(HeaderResult& r, const std::vector<std::string>& pieces) {
    for (const std::string& piece : pieces) {
        if (!r.reader.FeedHeader(piece.data(), piece.size())) {
            r.ended = true;
            std::pair<const char*, size_t> audio;
            bool complete = false;
            while (r.reader.NextChunk(audio, complete))
                r.after.append(audio.first, audio.second);
            return;
        }
    }
}

TEST(IcyStreamReaderTest, TheHeaderGivesStatusIntervalAndRedirectAcrossBuffers) {
    const struct {
        std::vector<std::string> pieces;
        int32_t status;
        uint32_t interval;
        const char *location, *after;
    } cases[] = {
        {{"ICY 200 OK\r\nicy-metaint: 8192\r\n\r\n"}, 200, 8192, "", ""},
        {{"HTTP/1.0 302 Found\r\nLocation:  http://b/x\r\n\r\n"}, 302, 0, "http://b/x", ""},
        {{"HTTP/1.1 200 OK\r\nLocation: http://b/x\r\n\r\nabc"}, 200, 0, "", "abc"},
        {{"HTTP/1.1 200 OK\r\n\r", "\nAUDIO"}, 200, 0, "", "AUDIO"},
        {{"http/1.1 404 x\r\nICY-METAINT:-5\r\n\r\n"}, 404, 0, "", ""},
        {{"ICY 200\r\nicy-metaint:1000000000000\r\n\r\n"}, 200, 2147483647, "", ""},
        {{"HTTP/1.1 302 x\r\nLocation:\r\n\r\n"}, 302, 0, "", ""},
        {{"SOMETHING\r\r\n\r\n"}, -1, 0, "", ""},
        {{"X\r\n", "\r", "\r\n", "\r\nA"}, -1, 0, "", "A"},
    };
    for (const auto& c : cases) {
        HeaderResult r;
        Feed(r, c.pieces);
        SCOPED_TRACE(c.pieces[0]);
        EXPECT_TRUE(r.ended);
        EXPECT_EQ(r.reader.Status(), c.status);
        EXPECT_EQ(r.reader.MetaInterval(), c.interval);
        EXPECT_EQ(r.reader.Location(), c.location);
        EXPECT_EQ(r.after, c.after);
    }
    // A header without an end stops at the size a station never needs.
    HeaderResult endless;
    std::string line = "X-Filler: " + std::string(1000, 'x') + "\r\n";
    int fed = 0;
    while (!endless.ended && fed++ < 100)
        Feed(endless, {line});
    EXPECT_TRUE(endless.reader.HeaderTooLong());
    EXPECT_EQ(endless.reader.Status(), -1);
    EXPECT_LE(fed, 18);
}

// Audio and metadata of a stream with interval 10, split at every byte
// boundary into two buffers: the same audio, and each block's text
// reported complete once.
TEST(IcyStreamReaderTest, AudioAndMetadataSeparateAtEveryBufferSplit) {
    const std::string title = "StreamTitle='One';";
    const std::string block = std::string(1, '\x02') + title + std::string(32 - title.size(), '\0');
    const std::string stream = std::string(10, 'a') + block + std::string(10, 'b') +
                               std::string(1, '\0') + std::string(10, 'c') + block + "dd";
    for (size_t split = 0; split <= stream.size(); ++split) {
        IcyStreamReader reader;
        std::string header = "ICY 200 OK\r\nicy-metaint:10\r\n\r\n";
        ASSERT_FALSE(reader.FeedHeader(header.data(), header.size()));
        std::string audio, texts;
        int completes = 0;
        for (auto [from, to] : {std::pair<size_t, size_t>{0, split}, {split, stream.size()}}) {
            reader.SetInput(stream.data() + from, to - from);
            std::pair<const char*, size_t> chunk;
            bool complete = false;
            for (bool more = true; more;) {
                more = reader.NextChunk(chunk, complete);
                ASSERT_LE(chunk.second, 10u);
                audio.append(chunk.first, chunk.second);
                if (complete) {
                    ++completes;
                    texts += std::string(reader.Metadata().View()) + "|";
                }
            }
        }
        EXPECT_EQ(audio, std::string(10, 'a') + std::string(10, 'b') + std::string(10, 'c') + "dd")
            << split;
        EXPECT_EQ(completes, 2) << split;
        EXPECT_EQ(texts, title + std::string(32 - title.size(), '\0') + "|" + title +
                             std::string(32 - title.size(), '\0') + "|")
            << split;
    }
}

TEST(IcyStreamReaderTest, MetadataItemsAreCountedOnlyWhenWhole) {
    const struct {
        std::string text;
        int32_t maximum, count;
        const char* first;
    } cases[] = {
        {"StreamTitle='A - B';StreamUrl='http://x';", 5, 2, "StreamTitle=A - B"},
        {"StreamTitle='A - B';StreamUrl='http://x';", 1, 1, "StreamTitle=A - B"},
        {"StreamTitle='A - B'", 5, 0, "StreamTitle=A - B"},
        {"StreamTitle='Don't Stop';", 5, 0, "StreamTitle=Don"},
        {"StreamTitle='A';junk", 5, 0, "StreamTitle=A"},
        {"StreamTitle='A';" + std::string(14, '\0'), 5, 1, "StreamTitle=A"},
        {"StreamTitle=A;", 5, 0, ""},
        {"", 5, 0, ""},
    };
    for (const auto& c : cases) {
        std::pair<String, String> pairs[5];
        EXPECT_EQ(ParseMetadataPairs(String(c.text), pairs, c.maximum), c.count) << c.text;
        EXPECT_EQ(std::string(pairs[0].first.View()) + (pairs[0].first.IsEmpty() ? "" : "=") +
                      std::string(pairs[0].second.View()),
                  c.first)
            << c.text;
    }
}

} // namespace
} // namespace tb
