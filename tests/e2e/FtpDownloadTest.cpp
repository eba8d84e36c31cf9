// The cover crawler's FTP client against a real FTP server: Debian's
// vsftpd on 127.0.0.1, anonymous, in passive mode.
#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/IPAddress.h"
#include "core/Socket.h"
#include "covers/PassiveFtpClient.h"
#include "support/ChildProcess.h"
#include "support/RequireTool.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

constexpr const char* Vsftpd = "/usr/sbin/vsftpd";

// vsftpd serving `work`/anon read-only to anonymous users; the password
// "badpass" is refused. Started as the test's own user it does not change
// root, so a path names the file as the system does.
class FtpServer {
public:
    explicit FtpServer(const TempDir& work) : port(FreePort()), anon_(work / "anon") {
        int passive = FreePort();
        work.MakeDir("empty");
        work.Write("banned", "badpass\n");
        std::string config = work.Write(
            "vsftpd.conf",
            "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" +
                std::to_string(port) +
                "\nbackground=NO\nanonymous_enable=YES\nanon_root=" + work / "anon" +
                "\nlocal_enable=NO\nwrite_enable=NO\npasv_enable=YES\npasv_address=127.0.0.1\n"
                "pasv_min_port=" +
                std::to_string(passive) + "\npasv_max_port=" + std::to_string(passive) +
                "\nsecure_chroot_dir=" + work / "empty" +
                "\nrun_as_launching_user=YES\ndeny_email_enable=YES\nbanned_email_file=" +
                work / "banned" + "\nxferlog_enable=NO\nseccomp_sandbox=NO\n");
        // vsftpd refuses an anonymous root it could write to.
        std::filesystem::permissions(
            work / "anon",
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
        process_ = std::make_unique<ChildProcess>(std::string(Vsftpd) + " " + ShellQuote(config),
                                                  work / "vsftpd.out");
    }
    bool Ready() const {
        for (int i = 0; i < 100; ++i) {
            try {
                Socket probe(1000);
                probe.Connect(IPAddress(htonl(INADDR_LOOPBACK), static_cast<uint16_t>(port)));
                return true;
            } catch (const SocketException&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        return false;
    }
    std::string Url(const std::string& login, const std::string& path) const {
        return "ftp://" + login + "127.0.0.1:" + std::to_string(port) + anon_ + path;
    }

    const int port;

private:
    std::string anon_;
    std::unique_ptr<ChildProcess> process_;
};

TEST(FtpDownloadTest, FetchesFromARealServer) {
    TB_REQUIRE_TOOL(access(Vsftpd, X_OK) == 0, "vsftpd");
    TempDir work;
    std::string picture(200000, '\0');
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>(i * 13 % 256);
    work.Write("anon/covers/Lumen Vale/Night Harbour.jpg", picture);
    work.Write("anon/front.jpg", "root picture");
    FtpServer server(work);
    ASSERT_TRUE(server.Ready());
    TempDir target;
    std::string path = target / "front.jpg";
    const struct {
        std::string url;
        std::string content; // empty: refused with `code`
        int code;
    } cases[] = {
        {server.Url("", "/covers/Lumen Vale/Night Harbour.jpg"), picture, 0},
        {server.Url("ftp:guest@", "/front.jpg"), "root picture", 0},
        {server.Url("anonymous:badpass@", "/front.jpg"), "", 6},
        {server.Url("", "/covers/missing.jpg"), "", 11},
    };
    Event quit;
    for (const auto& c : cases) {
        unlink(path.c_str());
        PassiveFtpClient client(quit, 10000);
        try {
            EXPECT_TRUE(client.DownloadFile(c.url.c_str(), path.c_str(), 1 << 20)) << c.url;
            EXPECT_TRUE(ReadFileBytes(path) == c.content) << c.url;
        } catch (const PassiveFtpClientException& e) {
            EXPECT_EQ(e.Code(), c.code) << c.url;
            EXPECT_NE(access(path.c_str(), F_OK), 0) << c.url;
        }
    }
}

} // namespace
} // namespace tb::test
