#pragma once

#include "core/HttpUrl.h"
#include "core/String.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace tb {

// The exact request sent to a station for `url`.
String StationRequest(const HttpUrl& url);

// The client side of a station's answer, fed with whatever the socket
// delivered: first the header (its status line, metadata interval and
// redirect target), then the stream, from which the in-band ICY metadata
// blocks are taken out so that only audio is passed on. Audio is never
// copied: chunks point into the buffer given. Owns no socket and never
// blocks; one reader serves one connection.
class IcyStreamReader {
public:
    // A header beyond this size is not a station's; it ends the header.
    static constexpr size_t MaxHeaderSize = 16 * 1024;

    // Takes the next received bytes as header; true while its end
    // ("\r\n\r\n") has not been seen. At the end, the bytes that followed it
    // become the pending input (audio), and the status, interval and
    // location are read from the header. A header that grows past
    // MaxHeaderSize ends too, with status -1 and HeaderTooLong() set.
    bool FeedHeader(const char* buffer, size_t length);
    // The next received bytes of the stream; they must stay in place until
    // NextChunk returns false.
    void SetInput(const char* buffer, size_t length);
    // The next run of audio (possibly empty) as `audio`; true while there
    // was input left. `metadataComplete` is set in the call that reads the
    // last byte of a non-empty metadata block, whose text Metadata() holds.
    bool NextChunk(std::pair<const char*, size_t>& audio, bool& metadataComplete);

    int32_t Status() const noexcept { return status_; }
    uint32_t MetaInterval() const noexcept { return metaInterval_; }
    const String& Location() const noexcept { return location_; }
    const String& Metadata() const noexcept { return metadata_; }
    bool HeaderTooLong() const noexcept { return headerTooLong_; }

private:
    void ReadHeaderFields();

    uint32_t audioCount_ = 0;    // audio bytes since the last metadata block
    uint32_t metaInterval_ = 0;  // 0: the stream carries no metadata
    uint32_t metaRemaining_ = 0; // bytes of the current block still to come
    String metadata_;
    bool inMetadata_ = false; // a block continues in the next buffer
    const char* input_ = nullptr;
    size_t inputLength_ = 0;
    String header_;
    uint32_t matched_ = 0; // bytes of "\r\n\r\n" matched so far
    String location_;
    int32_t status_ = -1;
    bool headerTooLong_ = false;
};

// The "key='value';" items of a metadata block, at most `maximum` of them,
// into `pairs`; the number of whole items counted. A malformed item ends
// the count, and a text without any "=" counts none at all.
int32_t ParseMetadataPairs(const String& text, std::pair<String, String>* pairs, int32_t maximum);

} // namespace tb
