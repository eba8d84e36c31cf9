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
#include <functional>
#include <poll.h>
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

std::string FileTag(const std::string& path) {
    return FileTimeTag(path) + "x" + std::to_string(std::filesystem::file_size(path));
}

std::string Problem(const char* what, const std::string& path) {
    return std::string("Error ") + what + " file '" + path +
           "'. \r\nIf file has moved please reindex, otherwise make sure it is not in use by "
           "another application.";
}

// Shares A..F, one song each (share n, its stream n + 1, the song n + 2):
// A: Intro.mp3 (5), 5000 bytes, tagged; B: Untagged.mp3 (8), 5000 bytes;
// C: Big.mp3 (11), 8 MB; D: Inject.mp3 (14), tag texts with CR LF in them;
// E: Gone.mp3 (17), 5000 bytes; F: a file name with CR LF in it (20).
class SongTest : public DispatchTest {
protected:
    void SetUp() override {
        for (const char* share : {"A", "B", "C", "D", "E", "F"})
            AddShare(share);
        intro = s.music.Write("A/Intro.mp3", Filler(4872) + Id3v1("The Title", "The Artist",
                                                                  "The Album", "2001", 0, 17));
        untagged = s.music.Write("B/Untagged.mp3", Filler(5000));
        big = s.music.Write("C/Big.mp3", Filler(8 << 20));
        inject = s.music.Write("D/Inject.mp3",
                               Filler(1000) + Id3v1("Evil\r\nX-Injected: yes",
                                                    "Art\r\nSet-Cookie: a=b", "Alb", "", 0, 0));
        gone = s.music.Write("E/Gone.mp3", Filler(5000));
        s.music.Write("F/Bad\r\nX-Injected: 1.mp3", Filler(100));
        Build();
        player = AddUser("Player", Identity);
        Start();
    }
    static std::string Target(int wireId, const std::string& identity = Identity) {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", wireId);
        return "/" + identity + "." + hex;
    }
    bool WaitForStatus(const std::string& text) {
        for (int i = 0; i < 1000 && ActivityOf(player).status != text.c_str(); ++i)
            std::this_thread::sleep_for(10ms);
        return ActivityOf(player).status == text.c_str();
    }
    // A GET that must end without an answer after logging `line` with the
    // client's address and port in place of "@".
    void ExpectRefused(const std::string& target, std::string line) {
        LoopbackClient client(s.port);
        line.replace(line.find('@'), 1, "127.0.0.1:" + std::to_string(client.LocalPort()));
        size_t before = s.log.Count();
        client.Send("GET " + target + " HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n\r\n");
        std::string rest;
        EXPECT_TRUE(client.WaitClosed(10s, &rest)) << target;
        EXPECT_EQ(rest, "") << target;
        EXPECT_THAT(s.log.LinesFrom(before), ElementsAre(line)) << target;
    }
    // Starts a stream of Big.mp3 that the client takes slowly.
    std::string StartBig(LoopbackClient& client) {
        client.Send("GET " + Target(11) + " HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n\r\n");
        std::string start = client.ReadAtLeast(1000);
        EXPECT_NE(start.find("Content-Length: 8388608\r\n"), std::string::npos);
        return start;
    }
    // Runs a song's web action on a thread of its own into one end of a
    // socket pair with small buffers; `during` runs once the header came.
    std::string Action(int wireId, char action, int32_t rangeStart = 0,
                       std::function<void()> during = {}) {
        HttpRequest request;
        request.user = player;
        request.users = &s.users;
        request.log = &s.log;
        request.unitKey = Identity;
        request.rangeStart = rangeStart;
        request.tree = s.index.Tree();
        int fds[2], size = 4096;
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        ::setsockopt(fds[1], SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        Socket socket(fds[0], 0);
        request.socket = &socket;
        auto& song = *static_cast<SongNode*>(request.tree->Get(wireId));
        std::thread thread([&] {
            try {
                song.WebAction(request, action);
            } catch (...) {
                // A failed copy ends the answer, as it ends a connection.
            }
            socket.Close();
        });
        std::string bytes;
        char chunk[16384];
        for (pollfd p{fds[1], POLLIN, 0}; ::poll(&p, 1, 10000) > 0;) {
            ssize_t n = ::read(fds[1], chunk, sizeof chunk);
            if (n <= 0)
                break;
            bytes.append(chunk, static_cast<size_t>(n));
            if (during && bytes.find("\r\n\r\n") != std::string::npos)
                std::exchange(during, {})();
        }
        ::close(fds[1]);
        thread.join();
        return bytes;
    }

    UserList::Entry player;
    std::string intro, untagged, big, inject, gone;
};

TEST_F(SongTest, APlayedSongIsItsExactHeaderAndTheRangeAsked) {
    const std::string bytes = ReadFileBytes(intro);
    const struct {
        std::string target, range;
        size_t from;
    } cases[] = {
        {Target(5), "", 0},
        // An extra number in the locator plays the same song.
        {Target(5) + ".0000abcd", "", 0},
        {Target(5) + ".FFFFFFFF", "", 0},
        {Target(5), "1000-", 1000},
        {Target(5), "4999-", 4999},
        {Target(5), "5000-", 5000},
        {Target(5), "6000-", 5000},
        {Target(5), "2147483647-", 5000},
        // A negative start counts back from the end; more than the whole
        // file is all of it.
        {Target(5), "-500", 4500},
        {Target(5), "-9000", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target + " " + c.range);
        EXPECT_EQ(
            Device().Get(c.target, c.range.empty() ? "" : "Range: bytes=" + c.range + "\r\n").raw,
            "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
            "Content-Length: " +
                std::to_string(5000 - c.from) +
                "\r\nContent-type: audio/mp3\r\nicy-name: The Artist - The Album - The "
                "Title\r\nETag: \"" +
                FileTag(intro) + "\"\r\n\r\n" + bytes.substr(c.from));
        EXPECT_FALSE(ActivityOf(player).playing);
    }
    EXPECT_EQ(s.log.Lines().back(), "[Player]: playing 'A:/Intro.mp3'");
    EXPECT_EQ(ActivityOf(player).status, "Playing done");
    // Without a tag the title is the file name.
    Answer plain = Device().Get(Target(8));
    EXPECT_EQ(plain.Value("icy-name"), "Untagged");
    EXPECT_TRUE(plain.Complete() && plain.body == ReadFileBytes(untagged)) << plain.Describe();
}

TEST_F(SongTest, TagTextsAndFileNamesCannotAddHeaderLines) {
    Answer played = Device().Get(Target(14));
    Answer downloaded = Answer::Parse(Action(20, 'Z'));
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
         {"/0123456789abcdef", "/0123456789abcdef.0000005", "/0123456789abcdef.00000005.0000000",
          "/0123456789abcdeg.00000005", "/0123456789abcdef.0000000x", "/0123456789abcdef00000000e",
          "/0123456789abcdef.0000000e000000000", "/x%20y"})
        ExpectRefused(target, "Malformed request received from @");
    // The log names the node's index: one less than the number on the
    // wire, taken 32 bits wide, so the smallest one wraps.
    const std::pair<const char*, const char*> nodes[] = {
        {"00000004", "3"},          {"00000001", "0"},  {"00000000", "-1"},
        {"0000000F", "14"},         {"ffffffff", "-2"}, {"80000000", "2147483647"},
        {"7fffffff", "2147483646"}, {"00000016", "21"}};
    for (const auto& [wire, index] : nodes)
        ExpectRefused(std::string("/") + Identity + "." + wire,
                      std::string("Attempted access to unknown file node (") + index +
                          ") from Player (@)");
    // A device not admitted; a stream request never admits one.
    AddUser("Barred", "aaaaaaaaaaaaaaaa", 2);
    AddUser("Elsewhere", "bbbbbbbbbbbbbbbb", 1, NetAddress("127.0.0.2"));
    AddUser("Upper", "CCCCCCCCCCCCCCCC");
    for (const char* identity :
         {"aaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb", "cccccccccccccccc", "ffffffffffffffff"})
        ExpectRefused(Target(5, identity), "Unauthorized access attempted from @");
    EXPECT_EQ(s.users.Count(), 4u);
    EXPECT_EQ(s.changes, 0);
}

TEST_F(SongTest, AStreamThatCannotGoOnEndsAndLeavesPlayingDone) {
    {
        // The small receive window holds the server inside the copy.
        LoopbackClient client(s.port, {"127.0.0.1", 4096});
        StartBig(client);
        size_t lines = s.log.Count();
        EXPECT_EQ(s.log.Lines().back(), "[Player]: playing 'C:/Big.mp3'");
        EXPECT_TRUE(ActivityOf(player).playing);
        EXPECT_EQ(ActivityOf(player).status, "Playing");
        client.Close();
        EXPECT_TRUE(WaitForStatus("Playing done"));
        EXPECT_FALSE(ActivityOf(player).playing);
        EXPECT_EQ(s.log.Count(), lines) << "a client leaving is no problem to log";
    }
    {
        // A player that lost power takes nothing more, and must not hold
        // its connection until TCP gives up.
        ChangeSettings(s.settings, [](Settings& values) { values.sendTimeoutSeconds = 1; });
        LoopbackClient client(s.port, {"127.0.0.1", 4096});
        StartBig(client);
        EXPECT_TRUE(WaitForStatus("Playing"));
        EXPECT_TRUE(WaitForStatus("Playing done"));
        EXPECT_FALSE(ActivityOf(player).playing);
        ChangeSettings(s.settings, [](Settings& values) { values.sendTimeoutSeconds = 60; });
    }
    for (bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "quit" : "file cut short");
        s.music.Write("C/Big.mp3", Filler(8 << 20));
        LoopbackClient client(s.port, {"127.0.0.1", 4096});
        std::string start = StartBig(client);
        if (quit)
            s.quit.Set(); // only the event: the connection itself stays up
        else
            std::filesystem::resize_file(big, 100000);
        std::string rest;
        EXPECT_TRUE(client.WaitClosed(30s, &rest)) << "the server kept the connection open";
        EXPECT_LT(start.size() + rest.size(), size_t{8} << 20);
        EXPECT_TRUE(WaitForStatus("Playing done"));
        EXPECT_FALSE(ActivityOf(player).playing);
    }
}

TEST_F(SongTest, ASongFileThatWentAwayOrBecameAFifo) {
    // Before its tags were read: the reindex advice.
    std::filesystem::rename(gone, gone + ".away");
    size_t before = s.log.Count();
    EXPECT_EQ(Device().Get(Target(17)).raw, "");
    EXPECT_THAT(s.log.LinesFrom(before), ElementsAre(Problem("opening", gone)));
    std::filesystem::rename(gone + ".away", gone);
    // After: listing the song reads its tags, and then it ends silently.
    ASSERT_EQ(Outline(Device().Page(BrowseBody("15"))), "[[Random stream]]#16, Gone#17, | 2 0 2");
    std::filesystem::remove(gone);
    before = s.log.Count();
    EXPECT_EQ(Device().Get(Target(17)).raw, "");
    EXPECT_TRUE(s.log.LinesFrom(before).empty());
    EXPECT_EQ(ActivityOf(player).status, "Browsing");
    // Opening a FIFO must not wait for a writer that never comes.
    ASSERT_EQ(mkfifo(gone.c_str(), 0600), 0);
    LoopbackClient client(s.port);
    client.Send("GET " + Target(17) + " HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n\r\n");
    std::string rest;
    EXPECT_TRUE(client.WaitClosed(5s, &rest));
    EXPECT_EQ(rest, "");
    // Should the open be stuck, a writer lets it go before the server stops.
    FileDescriptor unblock(open(gone.c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_FALSE(ActivityOf(player).playing);
}

// A download is a play with its own header, texts and flag.
TEST_F(SongTest, ADownloadIsAnAttachmentNamedAfterTheFile) {
    auto header = [this](size_t length) {
        return "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
               "Server: xs/1.0\r\nContent-Disposition: attachment; filename=Intro.mp3\r\n"
               "Content-Length:" +
               std::to_string(length) + "\r\nETag: \"" + FileTag(intro) +
               "\"\r\nContent-type: application/octet-stream\r\n\r\n";
    };
    const std::string bytes = ReadFileBytes(intro);
    size_t before = s.log.Count();
    EXPECT_EQ(Action(5, 'Z'), header(5000) + bytes);
    EXPECT_THAT(s.log.LinesFrom(before), ElementsAre("[Player]: downloading 'A:/Intro.mp3'"));
    EXPECT_EQ(ActivityOf(player).status, "Download done");
    EXPECT_EQ(Action(5, 'Z', 1000), header(4000) + bytes.substr(1000));
    EXPECT_EQ(Action(5, 'Z', 7000), header(0));
    EXPECT_EQ(Action(5, 'Z', -500), header(500) + bytes.substr(4500));
    Answer whole = Answer::Parse(Action(11, 'Z', 0, [this] {
        EXPECT_EQ(ActivityOf(player).status, "Download");
        EXPECT_TRUE(ActivityOf(player).downloading);
    }));
    EXPECT_TRUE(whole.Complete() && whole.body == ReadFileBytes(big)) << whole.Describe();
    EXPECT_FALSE(ActivityOf(player).downloading);
    // A file gone after its tags were read is a download error.
    Action(17, 'Z');
    std::filesystem::remove(gone);
    before = s.log.Count();
    EXPECT_EQ(Action(17, 'Z'), "");
    EXPECT_THAT(s.log.LinesFrom(before), ElementsAre(Problem("downloading", gone)));
}

} // namespace
} // namespace tb::test
