#include "radio/IcyStreamReader.h"

#include <algorithm>
#include <cstdlib>

// Any station answer, cut into buffers of any sizes: the header ends or
// asks for more without growing past its limit, every audio chunk lies in
// the buffer it came from, no more audio comes out than went in, and a
// metadata text is never longer than a block can be.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t step = 1 + data[0] % 64; // the buffer size
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    size_t length = size - 1, at = 0;
    tb::IcyStreamReader reader;
    bool inHeader = true;
    size_t audioBytes = 0;
    while (at < length) {
        size_t n = std::min(step, length - at);
        const char* buffer = bytes + at;
        at += n;
        if (inHeader) {
            inHeader = reader.FeedHeader(buffer, n);
            if (reader.HeaderTooLong())
                return 0;
            if (inHeader)
                continue;
        } else {
            reader.SetInput(buffer, n);
        }
        std::pair<const char*, size_t> chunk;
        bool complete = false;
        while (reader.NextChunk(chunk, complete)) {
            if (chunk.second > 0 &&
                (chunk.first < bytes || chunk.first + chunk.second > bytes + at))
                abort();
            audioBytes += chunk.second;
        }
        if (reader.Metadata().Length() > 255 * 16)
            abort();
    }
    if (audioBytes > length)
        abort();
    std::pair<tb::String, tb::String> pairs[5];
    if (tb::ParseMetadataPairs(reader.Metadata(), pairs, 5) > 5)
        abort();
    return 0;
}
