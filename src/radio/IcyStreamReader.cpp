#include "radio/IcyStreamReader.h"

#include "core/LeadingInteger.h"
#include "core/NoCase.h"

#include <algorithm>
#include <strings.h>

namespace tb {
namespace {

constexpr char Mark[] = "\r\n\r\n";
constexpr uint32_t MarkLength = 4;

// Where `what` first occurs in `text`, letter case ignored; npos if nowhere.
size_t FindNoCase(std::string_view text, std::string_view what) {
    for (size_t at = 0; at + what.size() <= text.size(); ++at)
        if (StartsWithNoCase(text, at, what))
            return at;
    return std::string_view::npos;
}

// The value after a header line's name, spaces skipped, up to the line end.
std::string_view LineValue(std::string_view header, size_t from) {
    size_t start = header.find_first_not_of(' ', from);
    if (start == std::string_view::npos)
        return {};
    size_t end = header.find("\r\n", start);
    return header.substr(start,
                         end == std::string_view::npos ? std::string_view::npos : end - start);
}

} // namespace

String StationRequest(const HttpUrl& url) {
    return "GET " + url.path + " HTTP/1.1\r\nHost: " + url.host +
           "\r\nAccept: */*\r\nRange: bytes=0-\r\nConnection: close\r\nicy-metadata: 1\r\n\r\n";
}

// Only "\r" can restart a broken match of "\r\n\r\n", so a mismatch goes
// back to one matched byte or none, also across buffers.
bool IcyStreamReader::FeedHeader(const char* buffer, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (buffer[i] == Mark[matched_])
            ++matched_;
        else
            matched_ = buffer[i] == '\r' ? 1 : 0;
        if (matched_ == MarkLength) {
            header_.Append(buffer, static_cast<int32_t>(i + 1));
            SetInput(buffer + i + 1, length - i - 1);
            ReadHeaderFields();
            return false;
        }
    }
    header_.Append(buffer, static_cast<int32_t>(length));
    if (static_cast<size_t>(header_.Length()) > MaxHeaderSize) {
        headerTooLong_ = true;
        return false;
    }
    return true;
}

void IcyStreamReader::ReadHeaderFields() {
    std::string_view header = header_.View();
    if (StartsWithNoCase(header, "HTTP/1.0 ") || StartsWithNoCase(header, "HTTP/1.1 "))
        status_ = LeadingInteger(header.substr(9));
    else if (StartsWithNoCase(header, "ICY "))
        status_ = LeadingInteger(header.substr(4));
    // A negative interval is none; one beyond 32 bits saturates, which
    // never comes in practice.
    if (size_t at = FindNoCase(header, "\r\nicy-metaint:"); at != std::string_view::npos)
        metaInterval_ = static_cast<uint32_t>(std::max(0, LeadingInteger(header.substr(at + 14))));
    if (status_ == 302)
        if (size_t at = FindNoCase(header, "\r\nlocation:"); at != std::string_view::npos)
            location_ = String(LineValue(header, at + 11));
}

void IcyStreamReader::SetInput(const char* buffer, size_t length) {
    input_ = buffer;
    inputLength_ = length;
}

bool IcyStreamReader::NextChunk(std::pair<const char*, size_t>& audio, bool& metadataComplete) {
    metadataComplete = false;
    audio = {input_, 0};
    if (inputLength_ == 0)
        return false;
    auto take = [&](size_t count) {
        audio = {input_, count};
        input_ += count;
        inputLength_ -= count;
    };
    if (metaInterval_ == 0) {
        take(inputLength_);
        return true;
    }
    if (!inMetadata_) {
        if (audioCount_ + inputLength_ <= metaInterval_) {
            audioCount_ += static_cast<uint32_t>(inputLength_);
            take(inputLength_);
            return true;
        }
        if (audioCount_ < metaInterval_) {
            take(metaInterval_ - audioCount_);
            audioCount_ = metaInterval_;
            return true;
        }
        metaRemaining_ = static_cast<unsigned char>(*input_) * 16u;
        if (metaRemaining_ != 0)
            metadata_ = String();
        ++input_;
        --inputLength_;
    }
    if (metaRemaining_ > inputLength_) { // the block goes on in the next buffer
        metadata_.Append(input_, static_cast<int32_t>(inputLength_));
        metaRemaining_ -= static_cast<uint32_t>(inputLength_);
        inputLength_ = 0;
        inMetadata_ = true;
        return false;
    }
    if (metaRemaining_ != 0) {
        metadata_.Append(input_, static_cast<int32_t>(metaRemaining_));
        metadataComplete = true;
        input_ += metaRemaining_;
        inputLength_ -= metaRemaining_;
    }
    inMetadata_ = false;
    take(std::min<size_t>(inputLength_, metaInterval_));
    audioCount_ = static_cast<uint32_t>(audio.second);
    return true;
}

int32_t ParseMetadataPairs(const String& text, std::pair<String, String>* pairs, int32_t maximum) {
    // The zero bytes that pad a block end its text.
    std::string_view rest = text.View().substr(0, text.View().find('\0'));
    int32_t count = 0;
    while (count < maximum) {
        size_t equals = rest.find('=');
        if (equals == std::string_view::npos)
            return 0;
        if (equals + 1 >= rest.size() || rest[equals + 1] != '\'')
            return 0;
        size_t close = rest.find('\'', equals + 2);
        if (close == std::string_view::npos)
            return 0;
        pairs[count] = {String(rest.substr(0, equals)),
                        String(rest.substr(equals + 2, close - equals - 2))};
        if (close + 1 >= rest.size() || rest[close + 1] != ';')
            return count;
        ++count;
        rest.remove_prefix(close + 2);
        if (rest.empty())
            break;
    }
    return count;
}

} // namespace tb
