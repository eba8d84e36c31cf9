#include "covers/PassiveFtpClient.h"

#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/FileDescriptor.h"
#include "core/IPAddress.h"
#include "core/NoCase.h"
#include "core/Socket.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <system_error>

namespace tb {
namespace {

constexpr const char* AnonymousPassword = "tunebridge@example.org";
// A reply of more lines than this is not a reply.
constexpr int MaxReplyLines = 200;

[[noreturn]] void Fail(int32_t code) {
    throw PassiveFtpClientException(code);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

uint16_t PassiveDataPort(const std::string& line) {
    size_t at = line.find('(');
    if (at == std::string::npos)
        Fail(9);
    ++at;
    int numbers[6] = {};
    for (int& number : numbers) {
        auto skipSeparator = [&] {
            while (at < line.size() && line[at] == ' ')
                ++at;
            if (at < line.size() && line[at] == ',')
                ++at;
            while (at < line.size() && line[at] == ' ')
                ++at;
        };
        skipSeparator();
        if (at >= line.size() || !IsDigit(line[at]))
            Fail(10);
        while (at < line.size() && IsDigit(line[at]))
            number = (number * 10 + (line[at++] - '0')) & 0xFF;
    }
    return static_cast<uint16_t>(numbers[4] * 256 + numbers[5]);
}

std::optional<FtpUrl> ParseFtpUrl(const String& url) {
    std::string_view rest = url.View();
    if (!StartsWithNoCase(rest, "ftp://"))
        return std::nullopt;
    rest.remove_prefix(6);
    FtpUrl parts{"anonymous", AnonymousPassword, {}, "21", "/"};
    if (size_t at = rest.find('@'); at != std::string_view::npos) {
        size_t colon = rest.find(':');
        if (colon == std::string_view::npos || colon > at || at + 1 == rest.size())
            return std::nullopt;
        parts.user = String(rest.substr(0, colon));
        parts.password = String(rest.substr(colon + 1, at - colon - 1));
        rest.remove_prefix(at + 1);
    }
    size_t hostEnd = std::min(rest.find_first_of("/:"), rest.size());
    parts.host = String(rest.substr(0, hostEnd));
    rest.remove_prefix(hostEnd);
    if (!rest.empty() && rest.front() == ':') {
        size_t portEnd = std::min(rest.find('/'), rest.size());
        parts.port = String(rest.substr(1, portEnd - 1));
        rest.remove_prefix(portEnd);
    }
    if (!rest.empty())
        parts.path = String(rest);
    return parts;
}

std::optional<std::string> FtpReplyReader::NextLine() {
    size_t end = buffered_.find("\r\n");
    if (end == std::string::npos) {
        if (buffered_.size() >= MaxLine)
            Fail(3);
        return std::nullopt;
    }
    std::string line = buffered_.substr(0, end);
    buffered_.erase(0, end + 2);
    return line;
}

int FtpReplyReader::CodeOf(const std::string& line) {
    if (line.size() < 4)
        Fail(2);
    if (!IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2]))
        Fail(3);
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

PassiveFtpClient::PassiveFtpClient(const Event& quit, int32_t timeoutMs)
    : quit_(quit), timeoutMs_(timeoutMs) {}

PassiveFtpClient::~PassiveFtpClient() = default;

void PassiveFtpClient::Command(const char* command, const String& argument) {
    if (quit_.IsSet())
        throw SocketException(EINTR);
    String line = argument.IsEmpty() ? String(command) : String(command) + " " + argument;
    control_->Write(line + "\r\n");
}

int PassiveFtpClient::ReadReply() {
    int code = -1;
    for (int lines = 0; lines < MaxReplyLines; ++lines) {
        std::optional<std::string> line;
        while (!(line = replies_.NextLine())) {
            char buffer[FtpReplyReader::MaxLine];
            try {
                int32_t n = control_->Read(buffer, sizeof buffer);
                replies_.Feed(buffer, static_cast<size_t>(n));
            } catch (const SocketException& e) {
                if (e.Value() == SocketException::PeerClosed)
                    Fail(3);
                throw;
            }
        }
        int lineCode = FtpReplyReader::CodeOf(*line);
        if (code < 0) {
            code = lineCode;
            lastLine_ = *line;
        }
        if ((*line)[3] != '-')
            return code;
    }
    Fail(3);
}

void PassiveFtpClient::Expect(int replyClass, int failure) {
    if (ReadReply() / 100 != replyClass)
        Fail(failure);
}

void PassiveFtpClient::OpenDataConnection() {
    uint16_t port = PassiveDataPort(lastLine_);
    data_ = std::make_unique<Socket>(timeoutMs_);
    data_->Connect(IPAddress(control_->PeerAddress().Address(), port));
}

bool PassiveFtpClient::DownloadFile(const String& url, const String& path, uint64_t limit) {
    std::optional<FtpUrl> parts = ParseFtpUrl(url);
    if (!parts)
        return false;
    std::optional<IPAddress> server = IPAddress::Resolve(
        parts->host.c_str(), static_cast<uint16_t>(std::atoi(parts->port.c_str())));
    if (!server || server->Address() == 0)
        throw SocketException(EHOSTUNREACH);
    control_ = std::make_unique<Socket>(timeoutMs_);
    control_->Connect(*server);
    Expect(2, 4);
    Command("USER", parts->user);
    Expect(3, 5);
    Command("PASS", parts->password);
    Expect(2, 6);
    Command("TYPE", "I");
    Expect(2, 7);
    Command("PASV", "");
    Expect(2, 8);
    OpenDataConnection();
    Command("SIZE", parts->path);
    Expect(2, 11);
    long long size = std::atoll(lastLine_.c_str() + 4);
    if (size < 0 || static_cast<uint64_t>(size) > limit)
        Fail(11);
    Command("RETR", parts->path);
    Expect(1, 12);
    Receive(path, static_cast<uint64_t>(size));
    Expect(2, 14);
    control_->Close();
    return true;
}

// All `size` bytes (at most the caller's bound), then into place in one
// step: an old picture stays unless the whole new one came.
void PassiveFtpClient::Receive(const String& path, uint64_t size) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(size));
    char buffer[10000];
    while (bytes.size() < size) {
        int32_t n;
        try {
            n = data_->Read(buffer, static_cast<int32_t>(
                                        std::min<uint64_t>(sizeof buffer, size - bytes.size())));
        } catch (const SocketException& e) {
            if (e.Value() == SocketException::PeerClosed)
                Fail(13);
            throw;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    data_->Close();
    ReplaceFileContents(path.c_str(), bytes, 0644);
}

} // namespace tb
