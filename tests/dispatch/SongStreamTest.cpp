// A device's stream of a song: header lines, ranges, the stream title, the
// user's activity, and files that change under the server.
#include "core/FileDescriptor.h"
#include "dispatch/DeviceTest.h"
#include "support/ChangeSettings.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

using namespace std::chrono_literals;

// Bytes without the sync byte 0xFF and without the letters of "TAG", so
// that only a tag written on purpose is found; no short period, so that a
// wrong offset shows.
std::string Filler(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(((static_cast<uint32_t>(i) * 2654435761u) >> 24) % 61);
    return bytes;
}

// Shares A..E, one song each (share n, its stream n + 1, the song n + 2):
//   A: Intro.mp3 (5), 5000 bytes with a tag
//   B: Untagged.mp3 (8), 5000 bytes
//   C: Big.mp3 (11), 8 MB
//   D: Inject.mp3 (14), tag texts with CR LF in them
//   E: Gone.mp3 (17), 5000 bytes
class SongStreamTest : public DeviceTest {
protected:
    void SetUp() override {
        s.AddShare("A");
        intro = s.music.Write("A/Intro.mp3", Filler(4872) + Id3v1("The Title", "The Artist",
                                                                  "The Album", "2001", 0, 17));
        s.AddShare("B");
        untagged = s.music.Write("B/Untagged.mp3", Filler(5000));
        s.AddShare("C");
        big = s.music.Write("C/Big.mp3", Filler(8 << 20));
        s.AddShare("D");
        inject = s.music.Write("D/Inject.mp3",
                               Filler(1000) + Id3v1("Evil\r\nX-Injected: yes",
                                                    "Art\r\nSet-Cookie: a=b", "Alb", "", 0, 0));
        s.AddShare("E");
        gone = s.music.Write("E/Gone.mp3", Filler(5000));
        s.Build();
        player = s.AddUser(PlayerName, Identity);
        Start();
    }
    std::string Target(int wireId) const {
        return "/" + std::string(Identity) + "." + Hex8(wireId);
    }
    static std::string PlayHeader(size_t length, const std::string& title,
                                  const std::string& path) {
        return "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
               "Content-Length: " +
               std::to_string(length) + "\r\nContent-type: audio/mp3\r\nicy-name: " + title +
               "\r\nETag: \"" + FileTag(path) + "\"\r\n\r\n";
    }
    // Waits until the entry's status is `text`.
    bool WaitForStatus(const std::string& text) {
        for (int i = 0; i < 1000; ++i) {
            if (ActivityOf(player).status == text.c_str())
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    UserList::Entry player;
    std::string intro, untagged, big, inject, gone;
};

TEST_F(SongStreamTest, TheWholeFileFollowsItsExactHeader) {
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Get(Target(5)),
              PlayHeader(5000, "The Artist - The Album - The Title", intro) + ReadFile(intro));
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              std::vector<std::string>{"[Player]: playing 'A:/Intro.mp3'"});
    UserItem::Activity activity = ActivityOf(player);
    EXPECT_EQ(activity.status, "Playing done");
    EXPECT_EQ(activity.countdown, 10);
    EXPECT_FALSE(activity.playing);
}

TEST_F(SongStreamTest, AnExtraNumberInTheLocatorPlaysTheSameSong) {
    std::string expected =
        PlayHeader(5000, "The Artist - The Album - The Title", intro) + ReadFile(intro);
    EXPECT_EQ(Get(Target(5) + ".0000abcd"), expected);
    EXPECT_EQ(Get("/" + std::string(Identity) + ".00000005.FFFFFFFF"), expected);
}

TEST_F(SongStreamTest, ARangeStartSendsTheRestWithStatus200) {
    std::string bytes = ReadFile(intro);
    EXPECT_EQ(Get(Target(5), "Range: bytes=1000-\r\n"),
              PlayHeader(4000, "The Artist - The Album - The Title", intro) + bytes.substr(1000));
    EXPECT_EQ(Get(Target(5), "Range: bytes=4999-\r\n"),
              PlayHeader(1, "The Artist - The Album - The Title", intro) + bytes.substr(4999));
}

TEST_F(SongStreamTest, ARangeStartAtOrPastTheEndSendsAnEmptyBody) {
    for (const char* range : {"5000-", "6000-", "2147483647-"}) {
        SCOPED_TRACE(range);
        EXPECT_EQ(Get(Target(5), "Range: bytes=" + std::string(range) + "\r\n"),
                  PlayHeader(0, "The Artist - The Album - The Title", intro));
    }
    EXPECT_FALSE(ActivityOf(player).playing);
}

TEST_F(SongStreamTest, ANegativeStartCountsBackFromTheEnd) {
    std::string bytes = ReadFile(intro);
    EXPECT_EQ(Get(Target(5), "Range: bytes=-500\r\n"),
              PlayHeader(500, "The Artist - The Album - The Title", intro) + bytes.substr(4500));
    // More than the whole file: all of it.
    EXPECT_EQ(Get(Target(5), "Range: bytes=-9000\r\n"),
              PlayHeader(5000, "The Artist - The Album - The Title", intro) + bytes);
}

TEST_F(SongStreamTest, AnUntaggedSongIsTitledWithItsFileName) {
    EXPECT_EQ(Get(Target(8)), PlayHeader(5000, "Untagged", untagged) + ReadFile(untagged));
    EXPECT_EQ(s.log.Lines().back(), "[Player]: playing 'B:/Untagged.mp3'");
}

TEST_F(SongStreamTest, TagTextsCannotAddHeaderLines) {
    std::string answer = Get(Target(14));
    std::string header = HeaderOf(answer);
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = header.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(header.substr(at, end - at));
    ASSERT_EQ(lines.size(), 8u) << header;
    EXPECT_EQ(lines[0], "HTTP/1.1 200 OK");
    EXPECT_EQ(lines[3], "Content-Length: 1128");
    EXPECT_EQ(lines[5].rfind("icy-name: Art", 0), 0u) << lines[5];
    EXPECT_NE(lines[5].find("X-Injected: yes"), std::string::npos) << lines[5];
    EXPECT_EQ(lines[6], "ETag: \"" + FileTag(inject) + "\"");
    EXPECT_EQ(lines[7], "");
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    EXPECT_EQ(BodyOf(answer), ReadFile(inject));
}

TEST_F(SongStreamTest, AClientLeavingMidStreamLeavesPlayingDoneAndNoLogLine) {
    LoopbackClient client(s.port, {"127.0.0.1", 4096});
    client.Send(DeviceGetText(Target(11), s.port));
    std::string start = client.ReadAtLeast(1000);
    ASSERT_EQ(start.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    ASSERT_NE(start.find("Content-Length: 8388608\r\n"), std::string::npos);
    size_t linesAfterStart = s.log.Count();
    EXPECT_EQ(s.log.Lines().back(), "[Player]: playing 'C:/Big.mp3'");
    // The small receive window holds the server inside the copy.
    UserItem::Activity during = ActivityOf(player);
    EXPECT_TRUE(during.playing);
    EXPECT_EQ(during.status, "Playing");
    client.Close();
    ASSERT_TRUE(WaitForStatus("Playing done"));
    UserItem::Activity after = ActivityOf(player);
    EXPECT_FALSE(after.playing);
    EXPECT_EQ(after.countdown, 10);
    EXPECT_EQ(s.log.Count(), linesAfterStart);
    ExpectServing();
}

// A player that lost power takes nothing more, and must not hold its
// connection until TCP gives up.
TEST_F(SongStreamTest, AClientThatStopsTakingBytesIsLetGoAfterTheSendTimeOut) {
    ChangeSettings(s.settings, [](Settings& values) { values.sendTimeoutSeconds = 1; });
    LoopbackClient client(s.port, {"127.0.0.1", 4096});
    client.Send(DeviceGetText(Target(11), s.port));
    ASSERT_NE(client.ReadAtLeast(1000).find("Content-Length: 8388608\r\n"), std::string::npos);
    EXPECT_TRUE(WaitForStatus("Playing done"));
    EXPECT_FALSE(ActivityOf(player).playing);
}

// Tags read, then the file becomes a FIFO: opening it for the stream must
// not wait for a writer that never comes.
TEST_F(SongStreamTest, ASongFileReplacedByAFifoEndsTheRequestAtOnce) {
    ASSERT_NE(BodyOf(Post(Identity, BrowseBody("16"))).find("<name>Gone</name>"),
              std::string::npos);
    std::filesystem::remove(gone);
    ASSERT_EQ(mkfifo(gone.c_str(), 0600), 0);
    LoopbackClient client(s.port);
    client.Send(DeviceGetText(Target(17), s.port));
    bool closed = false;
    EXPECT_EQ(client.ReadToEnd(closed, 5s), "");
    EXPECT_TRUE(closed);
    // Should the open be stuck, a writer lets it go before the server stops.
    FileDescriptor unblock(open(gone.c_str(), O_WRONLY | O_NONBLOCK));
    ExpectServing();
}

TEST_F(SongStreamTest, QuittingEndsAStreamEarly) {
    LoopbackClient client(s.port, {"127.0.0.1", 4096});
    client.Send(DeviceGetText(Target(11), s.port));
    std::string start = client.ReadAtLeast(1000);
    ASSERT_NE(start.find("Content-Length: 8388608\r\n"), std::string::npos);
    // Only the quit event: the connection itself stays up.
    s.quit.Set();
    bool closed = false;
    std::string rest = client.ReadToEnd(closed, 30s);
    EXPECT_TRUE(closed);
    EXPECT_LT(BodyOf(start + rest).size(), size_t{8} << 20);
    EXPECT_TRUE(WaitForStatus("Playing done"));
    EXPECT_FALSE(ActivityOf(player).playing);
}

TEST_F(SongStreamTest, AFileCutShortWhileStreamingEndsTheConnection) {
    LoopbackClient client(s.port, {"127.0.0.1", 4096});
    client.Send(DeviceGetText(Target(11), s.port));
    std::string start = client.ReadAtLeast(1000);
    ASSERT_NE(start.find("Content-Length: 8388608\r\n"), std::string::npos);
    std::filesystem::resize_file(big, 100000);
    bool closed = false;
    std::string rest = client.ReadToEnd(closed, 30s);
    EXPECT_TRUE(closed) << "the server kept the connection open";
    EXPECT_LT(BodyOf(start + rest).size(), size_t{8} << 20);
    EXPECT_TRUE(WaitForStatus("Playing done"));
    EXPECT_FALSE(ActivityOf(player).playing);
    ExpectServing();
}

TEST_F(SongStreamTest, AFileDeletedBeforeItsTagsWereReadGetsTheReindexAdvice) {
    std::filesystem::remove(gone);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Get(Target(17)), "");
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              std::vector<std::string>{
                  "Error opening file '" + gone +
                  "'. \r\nIf file has moved please reindex, otherwise make sure it is not in use "
                  "by another application."});
    EXPECT_FALSE(ActivityOf(player).playing);
    ExpectServing();
}

TEST_F(SongStreamTest, AFileDeletedAfterItsTagsWereReadEndsSilently) {
    // Listing the song reads its tags.
    ASSERT_EQ(NodeIds(BodyOf(Post(Identity, BrowseBody("15")))), (std::vector<int>{16, 17}));
    std::filesystem::remove(gone);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Get(Target(17)), "");
    EXPECT_TRUE(s.log.LinesFrom(linesBefore).empty());
    EXPECT_EQ(ActivityOf(player).status, "Browsing");
    EXPECT_FALSE(ActivityOf(player).playing);
    ExpectServing();
}

} // namespace
} // namespace tb::test
