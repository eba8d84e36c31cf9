// A song played to a device or downloaded as a file: the exact header,
// ranges, the stream title, the user's activity, refused stream requests,
// and files that change under the server.
#include "core/FileDescriptor.h"
#include "core/Socket.h"
#include "dispatch/DispatchTest.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"
#include "support/ChangeSettings.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>

namespace tb::test {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

// Bytes without the sync byte 0xFF and without the letters of "TAG", so
// that only a tag written on purpose is found; no short period, so that a
// wrong offset shows.
std::string Filler(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(((static_cast<uint32_t>(i) * 2654435761u) >> 24) % 61);
    return bytes;
}

std::string Problem(const char* what, const std::string& path) {
    return std::string("Error ") + what + " file '" + path +
           "'. \r\nIf file has moved please reindex, otherwise make sure it is not in use by "
           "another application.";
}

// Shares A..E, one song each (share n, its stream n + 1, the song n + 2):
// A: Intro.mp3 (5), 5000 bytes, tagged; B: Gone.mp3 (8), 5000 bytes;
// C: Big.mp3 (11), 8 MB; D: Inject.mp3 (14), tag texts with CR LF in them;
// E: a file name with CR LF in it (17).
class SongTest : public DispatchTest {
protected:
    void SetUp() override {
        for (const char* share : {"A", "B", "C", "D", "E"})
            AddShare(share);
        intro = s.music.Write("A/Intro.mp3", Filler(4872) + Id3v1("The Title", "The Artist",
                                                                  "The Album", "2001", 0, 17));
        gone = s.music.Write("B/Gone.mp3", Filler(5000));
        big = s.music.Write("C/Big.mp3", Filler(8 << 20));
        inject = s.music.Write("D/Inject.mp3",
                               Filler(1000) + Id3v1("Evil\r\nX-Injected: yes",
                                                    "Art\r\nSet-Cookie: a=b", "Alb", "", 0, 0));
        s.music.Write("E/Bad\r\nX-Injected: 1.mp3", Filler(100));
        Build();
        player = AddUser("Player", Identity);
        Start();
    }
    std::string Target(int wireId, const std::string& identity = Identity) {
        return Device(identity).StreamUrl(wireId).substr(std::string("http://127.0.0.1:").size() +
                                                         std::to_string(s.port).size());
    }
    // A GET that must end without an answer, after logging `line` (if any)
    // with the client's address and port in place of "@".
    void ExpectSilence(const std::string& target, std::string line = "") {
        LoopbackClient client(s.port);
        if (size_t at = line.find('@'); at != std::string::npos)
            line.replace(at, 1, "127.0.0.1:" + std::to_string(client.LocalPort()));
        size_t before = s.log.Count();
        client.Send("GET " + target + " HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n\r\n");
        std::string rest;
        EXPECT_TRUE(client.WaitClosed(10s, &rest)) << target;
        EXPECT_EQ(rest, "") << target;
        EXPECT_EQ(s.log.LinesFrom(before),
                  line.empty() ? std::vector<std::string>{} : std::vector<std::string>{line})
            << target;
    }
    // A song's download action into one end of a socket pair, whose buffer
    // holds these small files.
    std::string Download(int wireId, int32_t rangeStart = 0) {
        HttpRequest request;
        request.user = player;
        request.users = &s.users;
        request.log = &s.log;
        request.unitKey = Identity;
        request.rangeStart = rangeStart;
        request.tree = s.index.Tree();
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        Socket socket(fds[0], 0);
        request.socket = &socket;
        try {
            static_cast<SongNode*>(request.tree->Get(wireId))->WebAction(request, 'Z');
        } catch (...) {
            // A failed copy ends the answer, as it ends a connection.
        }
        socket.Close();
        std::string bytes;
        char chunk[16384];
        for (ssize_t n; (n = ::read(fds[1], chunk, sizeof chunk)) > 0;)
            bytes.append(chunk, static_cast<size_t>(n));
        ::close(fds[1]);
        return bytes;
    }

    UserList::Entry player;
    std::string intro, gone, big, inject;
};

// Playing and downloading share their copy: they differ in the header, the
// log line and the status left behind.
TEST_F(SongTest, PlayAndDownloadSendTheirExactHeaderAndTheRangeAsked) {
    const std::string bytes = ReadFileBytes(intro);
    const std::string etag = "ETag: \"" + FileTimeTag(intro) + "x5000\"\r\n";
    const struct {
        const char *verb, *done;
        std::function<std::string(int32_t)> fetch;
        std::function<std::string(size_t)> header;
    } kinds[] = {
        {"playing", "Playing done",
         [this](int32_t from) {
             std::string range = std::to_string(from) + (from > 0 ? "-" : "");
             return Device().Get(Target(5), from ? "Range: bytes=" + range + "\r\n" : "").raw;
         },
         [&](size_t length) {
             return "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                    "Content-Length: " +
                    std::to_string(length) +
                    "\r\nContent-type: audio/mp3\r\nicy-name: The Artist - The Album - The "
                    "Title\r\n" +
                    etag + "\r\n";
         }},
        {"downloading", "Download done", [this](int32_t from) { return Download(5, from); },
         [&](size_t length) {
             return "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                    "Server: xs/1.0\r\nContent-Disposition: attachment; filename=Intro.mp3\r\n"
                    "Content-Length:" +
                    std::to_string(length) + "\r\n" + etag +
                    "Content-type: application/octet-stream\r\n\r\n";
         }},
    };
    // A negative start counts back from the end; more than the whole file
    // is all of it.
    const std::pair<int32_t, size_t> ranges[] = {{0, 0},       {1000, 1000},      {4999, 4999},
                                                 {5000, 5000}, {6000, 5000},      {-500, 4500},
                                                 {-9000, 0},   {2147483647, 5000}};
    for (const auto& kind : kinds) {
        for (const auto& [start, from] : ranges) {
            SCOPED_TRACE(std::string(kind.verb) + " from " + std::to_string(start));
            size_t before = s.log.Count();
            EXPECT_EQ(kind.fetch(start), kind.header(5000 - from) + bytes.substr(from));
            EXPECT_THAT(s.log.LinesFrom(before),
                        ElementsAre("[Player]: " + std::string(kind.verb) + " 'A:/Intro.mp3'"));
            EXPECT_EQ(s.users.ActivityOf(player).status, kind.done);
            EXPECT_FALSE(s.users.ActivityOf(player).playing ||
                         s.users.ActivityOf(player).downloading);
        }
    }
    // An extra number in the locator plays the same song; without a tag
    // the title is the file name.
    EXPECT_EQ(Device().Get(Target(5) + ".FFFFFFFF").raw, kinds[0].header(5000) + bytes);
    EXPECT_EQ(Device().Get(Target(8)).Value("icy-name"), "Gone");
}

TEST_F(SongTest, TagTextsAndFileNamesCannotAddHeaderLines) {
    Answer played = Device().Get(Target(14));
    Answer downloaded = Answer::Parse(Download(17));
    for (const Answer& a : {played, downloaded}) {
        EXPECT_TRUE(a.Complete()) << a.Describe();
        EXPECT_EQ(a.Header("X-Injected"), nullptr) << a.head;
        EXPECT_EQ(a.Header("Set-Cookie"), nullptr) << a.head;
    }
    EXPECT_EQ(played.headers.size(), 6u) << played.head;
    EXPECT_EQ(played.Value("icy-name").rfind("Art", 0), 0u);
    EXPECT_EQ(played.body, ReadFileBytes(inject));
    EXPECT_EQ(downloaded.headers.size(), 7u) << downloaded.head;
}

TEST_F(SongTest, StreamRequestsThatCannotPlayAreRefusedWithOneLine) {
    for (const char* target :
         {"/0123456789abcdef", "/0123456789abcdef.0000005", "/0123456789abcdeg.00000005",
          "/0123456789abcdef.0000000x", "/0123456789abcdef00000000e", "/x%20y"})
        ExpectSilence(target, "Malformed request received from @");
    // The log names the node's index: one less than the number on the
    // wire, taken 32 bits wide, so the smallest one wraps.
    const std::pair<const char*, const char*> nodes[] = {
        {"00000004", "3"}, {"00000000", "-1"}, {"ffffffff", "-2"}, {"80000000", "2147483647"}};
    for (const auto& [wire, index] : nodes)
        ExpectSilence(std::string("/") + Identity + "." + wire,
                      std::string("Attempted access to unknown file node (") + index +
                          ") from Player (@)");
    // A device not admitted; a stream request never admits one.
    AddUser("Barred", "aaaaaaaaaaaaaaaa", 2);
    AddUser("Elsewhere", "bbbbbbbbbbbbbbbb", 1, NetAddress("127.0.0.2"));
    AddUser("Upper", "CCCCCCCCCCCCCCCC");
    for (const char* identity :
         {"aaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb", "cccccccccccccccc", "ffffffffffffffff"})
        ExpectSilence(Target(5, identity), "Unauthorized access attempted from @");
    EXPECT_EQ(s.users.Count(), 4u);
    EXPECT_EQ(s.changes, 0);
}

// A player that lost power takes nothing more, and must not hold its
// connection until TCP gives up; the small receive window holds the server
// inside the copy.
TEST_F(SongTest, AStreamThatCannotGoOnEndsAndLeavesPlayingDone) {
    for (const std::string cause : {"client gone", "send time-out", "file cut short", "quit"}) {
        SCOPED_TRACE(cause);
        int timeout = cause == "send time-out" ? 1 : 60;
        ChangeSettings(s.settings, [&](Settings& values) { values.sendTimeoutSeconds = timeout; });
        s.music.Write("C/Big.mp3", Filler(8 << 20));
        LoopbackClient client(s.port, {"127.0.0.1", 4096});
        client.Send("GET " + Target(11) + " HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n\r\n");
        std::string start = client.ReadAtLeast(1000), rest;
        EXPECT_NE(start.find("Content-Length: 8388608\r\n"), std::string::npos);
        size_t lines = s.log.Count();
        EXPECT_EQ(s.log.Lines().back(), "[Player]: playing 'C:/Big.mp3'");
        EXPECT_TRUE(s.users.ActivityOf(player).playing);
        EXPECT_EQ(s.users.ActivityOf(player).status, "Playing");
        if (cause == "client gone")
            client.Close();
        if (cause == "file cut short")
            std::filesystem::resize_file(big, 100000);
        if (cause == "quit")
            s.quit.Set(); // only the event: the connection itself stays up
        if (timeout == 60 && cause != "client gone") {
            EXPECT_TRUE(client.WaitClosed(30s, &rest)) << "the server kept the connection open";
            EXPECT_LT(start.size() + rest.size(), size_t{8} << 20);
        }
        for (int i = 0; i < 1000 && s.users.ActivityOf(player).status != "Playing done"; ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(s.users.ActivityOf(player).status, "Playing done");
        EXPECT_FALSE(s.users.ActivityOf(player).playing);
        if (cause == "client gone") {
            EXPECT_EQ(s.log.Count(), lines) << "a client leaving is no problem to log";
        }
    }
}

TEST_F(SongTest, ASongFileThatWentAwayOrBecameAFifo) {
    // Before its tags were read: the reindex advice.
    std::filesystem::rename(gone, gone + ".away");
    ExpectSilence(Target(8), Problem("opening", gone));
    std::filesystem::rename(gone + ".away", gone);
    // After: listing the song reads its tags; then a play ends silently and
    // a download logs its error.
    ASSERT_EQ(Outline(Device().Page(BrowseBody("6"))), "[[Random stream]]#7, Gone#8, | 2 0 2");
    std::filesystem::remove(gone);
    ExpectSilence(Target(8));
    EXPECT_EQ(s.users.ActivityOf(player).status, "Browsing");
    size_t before = s.log.Count();
    EXPECT_EQ(Download(8), "");
    EXPECT_THAT(s.log.LinesFrom(before), ElementsAre(Problem("downloading", gone)));
    // Opening a FIFO must not wait for a writer that never comes.
    ASSERT_EQ(mkfifo(gone.c_str(), 0600), 0);
    ExpectSilence(Target(8));
    // Should the open be stuck, a writer lets it go before the server stops.
    FileDescriptor unblock(open(gone.c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_FALSE(s.users.ActivityOf(player).playing);
}

} // namespace
} // namespace tb::test
