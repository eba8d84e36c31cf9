// The passive FTP client against a scripted server on loopback: its
// replies, the data port, and files that arrive whole or not at all.
#include "covers/PassiveFtpClient.h"

#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/ServerSocket.h"
#include "core/Socket.h"
#include "support/TempDir.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <map>
#include <thread>
#include <unistd.h>

namespace tb {
namespace {

// One control connection: the greeting, then for each command the reply
// the script gives ("" closes the connection). RETR sends `sent` bytes of
// `file` on the data connection before its final reply.
class FtpFake {
public:
    std::string greeting = "220 ready\r\n";
    std::map<std::string, std::string> replies = {
        {"USER", "331 password\r\n"}, {"PASS", "230 in\r\n"},
        {"TYPE", "200 binary\r\n"},   {"SIZE", ""},
        {"RETR", "150 here\r\n"},     {"PASV", ""}};
    std::string file = std::string(30000, 'j');
    size_t sent = 30000;
    bool closeAfterGreeting = false;
    std::vector<std::string> commands;

    FtpFake() : control_(Loopback()), data_(Loopback()) {}
    ~FtpFake() {
        control_.Interrupt();
        data_.Interrupt();
        if (thread_.joinable())
            thread_.join();
    }
    std::string Url(const std::string& path) {
        thread_ = std::thread([this] { Serve(); });
        return "ftp://u:p@127.0.0.1:" + std::to_string(control_.LocalAddress().Port()) + path;
    }

private:
    static IPAddress Loopback() { return IPAddress(htonl(INADDR_LOOPBACK), 0); }
    void Serve() {
        try {
            auto client = control_.Accept(5000);
            client->Write(greeting.data(), static_cast<int32_t>(greeting.size()));
            if (closeAfterGreeting)
                return;
            std::string pending;
            for (char buffer[512];;) {
                pending.append(buffer, static_cast<size_t>(client->Read(buffer, sizeof buffer)));
                for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                    std::string command = pending.substr(0, end);
                    pending.erase(0, end + 2);
                    commands.push_back(command);
                    if (!Answer(*client, command.substr(0, 4)))
                        return;
                }
            }
        } catch (const SocketException&) {
        }
    }
    bool Answer(Socket& client, const std::string& verb) {
        std::string reply = replies[verb];
        uint16_t port = data_.LocalAddress().Port();
        if (verb == "PASV" && reply.empty())
            // An address that is not the server's, and numbers past 255.
            reply = "227 Entering Passive Mode (10,9,9,999," + std::to_string(port / 256) + " , " +
                    std::to_string(port % 256 + 256) + ").\r\n";
        if (verb == "SIZE" && reply.empty())
            reply = "213 " + std::to_string(file.size()) + "\r\n";
        if (reply.empty())
            return false;
        client.Write(reply.data(), static_cast<int32_t>(reply.size()));
        if (verb == "RETR" && reply[0] == '1') {
            auto data = data_.Accept(5000);
            data->Write(file.data(), static_cast<int32_t>(sent));
            data->Close();
            client.Write("226 done\r\n", 10);
        }
        return true;
    }

    ServerSocket control_;
    ServerSocket data_;
    std::thread thread_;
};

TEST(PassiveFtpClientTest, ReadsUrls) {
    auto anonymous = ParseFtpUrl("FTP://covers.example/pic.jpg");
    ASSERT_TRUE(anonymous);
    EXPECT_EQ(anonymous->user, String("anonymous"));
    EXPECT_EQ(anonymous->port, String("21"));
    EXPECT_EQ(anonymous->path, String("/pic.jpg"));
    auto named = ParseFtpUrl("ftp://u:p@host:2121/a/b.jpg");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->user + "|" + named->password + "|" + named->host + "|" + named->port + "|" +
                  named->path,
              String("u|p|host|2121|/a/b.jpg"));
    EXPECT_EQ(ParseFtpUrl("ftp://host")->path, String("/"));
    for (const char* bad : {"http://host/x", "ftp://u@host/x", "ftp://u:p@"})
        EXPECT_FALSE(ParseFtpUrl(bad)) << bad;
}

TEST(PassiveFtpClientTest, ReplyLinesAreCheckedAndKept) {
    FtpReplyReader reader;
    std::string both = "220-Welcome\r\n220 ready\r\n331 next";
    reader.Feed(both.data(), both.size());
    EXPECT_EQ(reader.NextLine(), "220-Welcome");
    EXPECT_EQ(reader.NextLine(), "220 ready");
    EXPECT_EQ(reader.NextLine(), std::nullopt);
    const struct {
        const char* line;
        int code; // the exception's, or the reply's
    } cases[] = {{"331 x", 331}, {"22", 2}, {"", 2}, {"2x0 bad", 3}, {"abcd", 3}};
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(FtpReplyReader::CodeOf(c.line), c.code) << c.line;
        } catch (const PassiveFtpClientException& e) {
            EXPECT_EQ(e.Code(), c.code) << c.line;
        }
    }
    std::string endless(FtpReplyReader::MaxLine, 'x');
    reader.Feed(endless.data(), endless.size());
    EXPECT_THROW(reader.NextLine(), PassiveFtpClientException);
}

TEST(PassiveFtpClientTest, DownloadsWholeFilesOnly) {
    test::TempDir folder;
    // A picture found earlier stays unless a whole new one arrives.
    std::string target = folder / "front.jpg";
    const struct {
        const char* name;
        void (*change)(FtpFake&);
        int code; // 0: downloaded
    } cases[] = {
        {"multi-line greeting",
         [](FtpFake& f) { f.greeting = "220-Welcome\r\n220-to\r\n220 us\r\n"; }, 0},
        {"greeting refused", [](FtpFake& f) { f.greeting = "421 busy\r\n"; }, 4},
        {"password refused", [](FtpFake& f) { f.replies["PASS"] = "530 no\r\n"; }, 6},
        {"no passive mode", [](FtpFake& f) { f.replies["PASV"] = "500 no\r\n"; }, 8},
        {"PASV without (", [](FtpFake& f) { f.replies["PASV"] = "227 ok 1,2,3,4,5,6\r\n"; }, 9},
        {"PASV number", [](FtpFake& f) { f.replies["PASV"] = "227 ok (1,2,x,4,5,6)\r\n"; }, 10},
        {"missing file", [](FtpFake& f) { f.replies["RETR"] = "550 no such file\r\n"; }, 12},
        {"data cut short", [](FtpFake& f) { f.sent = 12000; }, 13},
        {"closed mid-reply",
         [](FtpFake& f) {
             f.greeting = "220-hello\r\n";
             f.closeAfterGreeting = true;
         },
         3},
    };
    for (const auto& c : cases) {
        FtpFake fake;
        c.change(fake);
        Event quit;
        PassiveFtpClient client(quit, 5000);
        std::string url = fake.Url("/covers/Night Harbour.jpg");
        try {
            EXPECT_TRUE(client.DownloadFile(url.c_str(), target.c_str(), 1 << 20)) << c.name;
            EXPECT_EQ(c.code, 0) << c.name;
            EXPECT_EQ(test::ReadFileBytes(target), fake.file) << c.name;
        } catch (const PassiveFtpClientException& e) {
            EXPECT_EQ(e.Code(), c.code) << c.name;
            EXPECT_EQ(test::ReadFileBytes(target), std::string(30000, 'j')) << c.name;
        }
        EXPECT_NE(access((target + ".partial").c_str(), F_OK), 0) << c.name;
    }
}

} // namespace
} // namespace tb
