#include "server/RequestReader.h"

#include "core/Exceptions.h"
#include "core/LeadingInteger.h"
#include "core/Socket.h"

#include <chrono>
#include <cstring>
#include <string_view>
#include <strings.h>

namespace tb {
namespace {

// Could the first bytes still become "GET " or "POST "?
bool MayBeGetOrPost(std::string_view start) {
    auto prefixOf = [&](std::string_view method) {
        size_t n = std::min(start.size(), method.size());
        return strncasecmp(start.data(), method.data(), n) == 0;
    };
    return prefixOf("GET ") || prefixOf("POST ");
}

// Offset just past the empty line that ends the header block, or npos.
size_t HeaderEnd(std::string_view text) {
    size_t crlf = text.find("\r\n\r\n");
    size_t lf = text.find("\n\n");
    if (crlf != std::string_view::npos && (lf == std::string_view::npos || crlf + 1 < lf))
        return crlf + 4;
    return lf == std::string_view::npos ? lf : lf + 2;
}

int32_t ContentLength(std::string_view header) {
    constexpr std::string_view name = "\ncontent-length:";
    for (size_t at = header.find('\n'); at != std::string_view::npos;
         at = header.find('\n', at + 1))
        if (header.size() - at >= name.size() &&
            strncasecmp(header.data() + at, name.data(), name.size()) == 0) {
            int32_t length = LeadingInteger(header.substr(at + name.size()));
            return length > 0 ? length : 0;
        }
    return 0;
}

} // namespace

int32_t RequestReader::CompleteLength() const {
    std::string_view text(buffer_, static_cast<size_t>(filled_));
    if (filled_ == 0)
        return 0;
    if (!MayBeGetOrPost(text))
        return filled_;
    size_t end = HeaderEnd(text);
    if (end == std::string_view::npos)
        return 0;
    int64_t total = static_cast<int64_t>(end) + ContentLength(text.substr(0, end));
    if (total > BufferSize)
        total = BufferSize;
    return total <= filled_ ? static_cast<int32_t>(total) : 0;
}

void RequestReader::DropRequest() {
    if (requestLength_ == 0)
        return;
    buffer_[requestLength_] = savedByte_;
    filled_ -= requestLength_;
    memmove(buffer_, buffer_ + requestLength_, static_cast<size_t>(filled_));
    requestLength_ = 0;
}

RequestReader::Result RequestReader::Next() {
    using Clock = std::chrono::steady_clock;
    DropRequest();
    auto deadline = Clock::now() + std::chrono::milliseconds(idleTimeoutMs_);
    int32_t length = CompleteLength();
    while (length == 0) {
        if (filled_ == BufferSize)
            return Result::TooLarge;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !socket_.WaitReadable(static_cast<int32_t>(left.count())))
            return Result::TimedOut;
        try {
            filled_ += socket_.Read(buffer_ + filled_, BufferSize - filled_);
        } catch (const SocketException&) {
            // A client that half-closes after an unterminated request still
            // gets it handled; with nothing pending the connection is over.
            if (filled_ == 0)
                throw;
            length = filled_;
            break;
        }
        length = CompleteLength();
    }
    requestLength_ = length;
    savedByte_ = buffer_[length];
    buffer_[length] = 0;
    return Result::Request;
}

} // namespace tb
