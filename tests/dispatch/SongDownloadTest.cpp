// A song downloaded as a file: the attachment header, the ranges, the
// user's activity while it runs, and files that went away.
#include "core/Socket.h"
#include "dispatch/DeviceTest.h"
#include "library/Mp3Info.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

// A download running on a thread of its own into one end of a socket pair;
// the test reads the other end. Small buffers make the download wait for
// the reader.
class DownloadRun {
public:
    DownloadRun(SongNode& node, HttpRequest request, bool smallBuffers) : request_(request) {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        if (smallBuffers) {
            int size = 4096;
            ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
            ::setsockopt(fds[1], SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        }
        reader_ = fds[1];
        socket_ = std::make_unique<Socket>(fds[0], 0);
        request_.socket = socket_.get();
        thread_ = std::thread([this, &node] {
            try {
                node.WebAction(request_, 'Z');
            } catch (...) {
                // A failed copy ends the answer, as it ends a connection.
            }
            socket_->Close();
        });
    }
    ~DownloadRun() { Finish(); }
    // Reads until `count` bytes or the end (bounded).
    std::string Read(size_t count) {
        std::string bytes;
        char chunk[16384];
        while (bytes.size() < count) {
            pollfd p{reader_, POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0)
                break;
            ssize_t n = ::read(reader_, chunk, sizeof chunk);
            if (n <= 0)
                break;
            bytes.append(chunk, static_cast<size_t>(n));
        }
        return bytes;
    }
    std::string ReadAll() {
        std::string bytes = Read(SIZE_MAX);
        Finish();
        return bytes;
    }
    // Closing the reading end first frees a download still waiting to write.
    void Finish() {
        if (reader_ >= 0)
            ::close(reader_);
        reader_ = -1;
        if (thread_.joinable())
            thread_.join();
    }

private:
    HttpRequest request_;
    std::unique_ptr<Socket> socket_;
    int reader_ = -1;
    std::thread thread_;
};

std::string DownloadHeader(const std::string& name, size_t length, const std::string& path) {
    return "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
           "Server: xs/1.0\r\nContent-Disposition: attachment; filename=" +
           name + "\r\nContent-Length:" + std::to_string(length) + "\r\nETag: \"" + FileTag(path) +
           "\"\r\nContent-type: application/octet-stream\r\n\r\n";
}

// Share A: Intro.mp3 (5), 5000 bytes; share B: Big Song.mp3 (8), 4 MB;
// share C: Gone.mp3 (11); share D: a file name with CR LF in it (14).
class SongDownloadTest : public DeviceTest {
protected:
    void SetUp() override {
        s.AddShare("A");
        intro = s.music.Write("A/Intro.mp3", Pattern(5000));
        s.AddShare("B");
        big = s.music.Write("B/Big Song.mp3", Pattern(4 << 20));
        s.AddShare("C");
        gone = s.music.Write("C/Gone.mp3", Pattern(300));
        s.AddShare("D");
        s.music.Write("D/Bad\r\nX-Injected: 1.mp3", Pattern(100));
        s.Build();
        player = s.AddUser(PlayerName, Identity);
        tree = s.Tree();
    }
    static std::string Pattern(size_t size) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
        return bytes;
    }
    SongNode& Song(int wireId) { return *static_cast<SongNode*>(tree->Get(wireId)); }
    HttpRequest Request(int32_t rangeStart = 0) {
        HttpRequest request;
        request.user = player;
        request.users = &s.users;
        request.log = &s.log;
        request.quitEvent = &s.quit;
        request.unitKey = Identity;
        request.rangeStart = rangeStart;
        request.tree = tree;
        return request;
    }
    std::string Download(int wireId, int32_t rangeStart = 0) {
        DownloadRun run(Song(wireId), Request(rangeStart), false);
        return run.ReadAll();
    }

    UserList::Entry player;
    std::shared_ptr<const NodeTree> tree;
    std::string intro, big, gone;
};

TEST_F(SongDownloadTest, TheAttachmentIsNamedAfterTheFileWithoutADoubledExtension) {
    ASSERT_TRUE(tree->Get(5)->IsSong());
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Download(5), DownloadHeader("Intro.mp3", 5000, intro) + ReadFile(intro));
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              std::vector<std::string>{"[Player]: downloading 'A:/Intro.mp3'"});
    UserItem::Activity activity = ActivityOf(player);
    EXPECT_EQ(activity.status, "Download done");
    EXPECT_EQ(activity.countdown, 10);
    EXPECT_FALSE(activity.downloading);
}

TEST_F(SongDownloadTest, ARangeStartSendsTheRest) {
    std::string bytes = ReadFile(intro);
    EXPECT_EQ(Download(5, 1000), DownloadHeader("Intro.mp3", 4000, intro) + bytes.substr(1000));
    EXPECT_EQ(Download(5, 7000), DownloadHeader("Intro.mp3", 0, intro));
    EXPECT_EQ(Download(5, -500), DownloadHeader("Intro.mp3", 500, intro) + bytes.substr(4500));
}

TEST_F(SongDownloadTest, TheActivityShowsDownloadWhileItRunsThenDownloadDone) {
    DownloadRun run(Song(8), Request(), true);
    std::string header = DownloadHeader("Big Song.mp3", 4 << 20, big);
    std::string start = run.Read(header.size());
    ASSERT_EQ(start.substr(0, header.size()), header);
    UserItem::Activity during = ActivityOf(player);
    EXPECT_EQ(during.status, "Download");
    EXPECT_TRUE(during.downloading);
    std::string body = start.substr(header.size()) + run.ReadAll();
    EXPECT_EQ(body, ReadFile(big));
    EXPECT_EQ(ActivityOf(player).status, "Download done");
    EXPECT_FALSE(ActivityOf(player).downloading);
}

TEST_F(SongDownloadTest, AFileNameCannotAddHeaderLines) {
    std::string header = HeaderOf(Download(14));
    size_t name = header.find("filename=Bad");
    size_t lineEnd = header.find("\r\nContent-Length:100\r\n");
    ASSERT_NE(name, std::string::npos) << header;
    ASSERT_NE(lineEnd, std::string::npos) << header;
    // The attachment line runs unbroken from the name to its own end.
    EXPECT_EQ(header.find_first_of("\r\n", name), lineEnd) << header;
}

TEST_F(SongDownloadTest, AFileDeletedAfterItsTagsWereReadLogsTheDownloadError) {
    Song(11).GetInfo();
    std::filesystem::remove(gone);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Download(11), "");
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              std::vector<std::string>{
                  "Error downloading file '" + gone +
                  "'. \r\nIf file has moved please reindex, otherwise make sure it is not in use "
                  "by another application."});
    EXPECT_FALSE(ActivityOf(player).downloading);
}

TEST_F(SongDownloadTest, AFileDeletedBeforeItsTagsWereReadLogsTheOpeningError) {
    std::filesystem::remove(gone);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Download(11), "");
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              std::vector<std::string>{
                  "Error opening file '" + gone +
                  "'. \r\nIf file has moved please reindex, otherwise make sure it is not in use "
                  "by another application."});
}

} // namespace
} // namespace tb::test
