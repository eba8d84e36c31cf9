#include "covers/SiteAnswer.h"

#include "core/Exceptions.h"
#include "covers/CrawlerException.h"

#include <cstdlib>
#include <span>
#include <string_view>
#include <strings.h>
#include <zlib.h>

namespace tb {
namespace {

constexpr size_t HeaderLimit = 64 * 1024;
constexpr int32_t BlockSize = 20000;

// The source's bytes with a little look-ahead; the peer's close is the end.
class Bytes {
public:
    explicit Bytes(InputStream& source) : source_(source) {}

    // False at the end of the stream.
    bool Fill() {
        if (ended_)
            return false;
        char block[BlockSize];
        try {
            int32_t n = source_.Read(block, BlockSize);
            buffered_.append(block, static_cast<size_t>(n));
            return true;
        } catch (const SocketException& e) {
            if (e.Value() != SocketException::PeerClosed)
                throw;
            ended_ = true;
            return false;
        }
    }
    // One line without its CRLF; throws at the end or past `limit`.
    std::string Line(size_t limit) {
        size_t end;
        while ((end = buffered_.find("\r\n", at_)) == std::string::npos) {
            if (buffered_.size() - at_ > limit || !Fill())
                throw DizerOviziraObjectException();
        }
        std::string line = buffered_.substr(at_, end - at_);
        Advance(end + 2 - at_);
        return line;
    }
    // Exactly `count` bytes appended to `out`; throws when the stream ends first.
    void Take(size_t count, std::string& out) {
        while (buffered_.size() - at_ < count)
            if (!Fill())
                throw DizerOviziraObjectException();
        out.append(buffered_, at_, count);
        Advance(count);
    }
    // Everything up to the end of the stream, at most `limit` bytes in all.
    void TakeRest(std::string& out, size_t limit) {
        do {
            out.append(buffered_, at_, std::string::npos);
            Advance(buffered_.size() - at_);
            if (out.size() > limit)
                throw DizerOviziraObjectException();
        } while (Fill());
    }

private:
    void Advance(size_t count) {
        at_ += count;
        if (at_ > BlockSize) {
            buffered_.erase(0, at_);
            at_ = 0;
        }
    }

    InputStream& source_;
    std::string buffered_;
    size_t at_ = 0;
    bool ended_ = false;
};

struct Header {
    int status = -1;
    bool chunked = false;
    long long length = -1;
    std::string encoding;
};

std::string_view Trimmed(std::string_view text) {
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

int StatusOf(const std::string& line) {
    size_t space = line.find(' ');
    if (space == std::string::npos)
        return -1;
    return std::atoi(line.c_str() + space + 1);
}

// A decimal or hexadecimal number of at most `digits` digits; -1 if not.
long long Number(std::string_view text, int base, size_t digits) {
    text = Trimmed(text.substr(0, text.find(';')));
    if (text.empty() || text.size() > digits)
        return -1;
    long long value = 0;
    for (char c : text) {
        int digit = c >= '0' && c <= '9'                 ? c - '0'
                    : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                         : -1;
        if (digit < 0)
            return -1;
        value = value * base + digit;
    }
    return value;
}

Header ReadHeader(Bytes& bytes) {
    Header header;
    header.status = StatusOf(bytes.Line(HeaderLimit));
    size_t total = 0;
    for (std::string line; !(line = bytes.Line(HeaderLimit)).empty();) {
        if ((total += line.size()) > HeaderLimit)
            throw DizerOviziraObjectException();
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        std::string_view value = Trimmed(std::string_view(line).substr(colon + 1));
        if (strcasecmp(name.c_str(), "Transfer-Encoding") == 0)
            header.chunked = value.size() == 7 && strncasecmp(value.data(), "chunked", 7) == 0;
        else if (strcasecmp(name.c_str(), "Content-Length") == 0 &&
                 (header.length = Number(value, 10, 12)) < 0)
            throw DizerOviziraObjectException();
        else if (strcasecmp(name.c_str(), "Content-Encoding") == 0)
            header.encoding = std::string(value);
    }
    return header;
}

std::string ReadChunks(Bytes& bytes, size_t limit) {
    std::string body;
    for (;;) {
        long long size = Number(bytes.Line(HeaderLimit), 16, 8);
        if (size < 0 || body.size() + static_cast<size_t>(size) > limit)
            throw DizerOviziraObjectException();
        if (size == 0)
            return body;
        bytes.Take(static_cast<size_t>(size), body);
        if (!bytes.Line(2).empty())
            throw DizerOviziraObjectException();
    }
}

// The body inflated: gzip, or zlib's deflate format (some servers send it
// raw, which is tried next).
std::string Inflate(const std::string& body, bool gzip, size_t limit) {
    static constexpr int GzipBits[] = {16 + MAX_WBITS};
    static constexpr int DeflateBits[] = {MAX_WBITS, -MAX_WBITS};
    for (int windowBits :
         gzip ? std::span<const int>(GzipBits) : std::span<const int>(DeflateBits)) {
        z_stream stream{};
        if (inflateInit2(&stream, windowBits) != Z_OK)
            throw DizerOviziraObjectException();
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
        stream.avail_in = static_cast<uInt>(body.size());
        std::string out;
        char block[65536];
        int result = Z_OK;
        while (result == Z_OK && out.size() <= limit) {
            stream.next_out = reinterpret_cast<Bytef*>(block);
            stream.avail_out = sizeof block;
            result = inflate(&stream, Z_NO_FLUSH);
            out.append(block, sizeof block - stream.avail_out);
            if (result == Z_BUF_ERROR && stream.avail_in == 0)
                break;
        }
        inflateEnd(&stream);
        if (result == Z_STREAM_END && out.size() <= limit)
            return out;
        if (out.size() > limit)
            break;
    }
    throw DizerOviziraObjectException();
}

} // namespace

SiteAnswer ReadSiteAnswer(InputStream& source, size_t limit) {
    Bytes bytes(source);
    Header header = ReadHeader(bytes);
    SiteAnswer answer{header.status, {}};
    if (header.chunked) {
        answer.body = ReadChunks(bytes, limit);
    } else if (header.length >= 0) {
        if (static_cast<unsigned long long>(header.length) > limit)
            throw DizerOviziraObjectException();
        bytes.Take(static_cast<size_t>(header.length), answer.body);
    } else {
        bytes.TakeRest(answer.body, limit);
    }
    if (strcasecmp(header.encoding.c_str(), "gzip") == 0 ||
        strcasecmp(header.encoding.c_str(), "x-gzip") == 0)
        answer.body = Inflate(answer.body, true, limit);
    else if (strcasecmp(header.encoding.c_str(), "deflate") == 0)
        answer.body = Inflate(answer.body, false, limit);
    return answer;
}

} // namespace tb
