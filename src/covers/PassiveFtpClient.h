#pragma once

#include "core/String.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace tb {

class Event;
class Socket;

// Which step of an FTP download failed: 2 a reply line under 4
// characters; 3 the connection ended inside a reply, a line does not start
// with three digits, or a reply never ends; 4 the greeting; 5 USER; 6
// PASS; 7 TYPE; 8 PASV; 9 no "(" in the PASV reply; 10 a PASV number that
// does not start with a digit; 11 SIZE (or a size past the bound); 12
// RETR; 13 the data ended before the size; 14 the reply after the
// transfer.
class PassiveFtpClientException : public std::exception {
public:
    explicit PassiveFtpClientException(int32_t code) : code_(code) {}
    int32_t Code() const noexcept { return code_; }
    const char* what() const noexcept override { return "FTP download failed"; }

private:
    int32_t code_;
};

// "ftp://[user:password@]host[:port][/path]": anonymous without a user,
// port "21" and path "/" by default. Nothing when it is not of that form.
struct FtpUrl {
    String user;
    String password;
    String host;
    String port;
    String path;
};
std::optional<FtpUrl> ParseFtpUrl(const String& url);

// The data port of a PASV reply line: six numbers after its "(", each held
// in 8 bits, the port being the fifth × 256 + the sixth. Throws code 9
// without "(" and 10 for a number that does not start with a digit.
uint16_t PassiveDataPort(const std::string& line);

// The reply lines of an FTP control connection from the bytes as they
// arrive; lines after the first that came in the same read are kept for
// the next reply.
class FtpReplyReader {
public:
    static constexpr size_t MaxLine = 1000;

    void Feed(const char* bytes, size_t count) { buffered_.append(bytes, count); }
    // The next whole line without its CR LF, or nothing yet; throws code 3
    // when MaxLine bytes hold no line end.
    std::optional<std::string> NextLine();
    // The three-digit code of a reply line; throws code 2 or 3.
    static int CodeOf(const std::string& line);

private:
    std::string buffered_;
};

// Fetches one file over FTP in passive mode, binary, into a local file:
// the file appears (replacing an older one) only when all the bytes the
// server announced have arrived. The data connection goes to the control
// connection's peer, whatever address the PASV reply names. Each network
// step waits at most the time-out; once `quit` is set, no further step
// starts. One client per download.
class PassiveFtpClient {
public:
    PassiveFtpClient(const Event& quit, int32_t timeoutMs = 90000);
    ~PassiveFtpClient();

    // False when `url` is not an FTP URL. Throws PassiveFtpClientException,
    // SocketException, or std::system_error for the local file.
    bool DownloadFile(const String& url, const String& path, uint64_t limit);

private:
    void Command(const char* command, const String& argument);
    int ReadReply();
    void Expect(int replyClass, int failure);
    void OpenDataConnection();
    void Receive(const String& path, uint64_t size);

    const Event& quit_;
    const int32_t timeoutMs_;
    std::unique_ptr<Socket> control_;
    std::unique_ptr<Socket> data_;
    FtpReplyReader replies_;
    std::string lastLine_;
};

} // namespace tb
