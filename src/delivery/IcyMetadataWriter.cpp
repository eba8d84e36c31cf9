#include "delivery/IcyMetadataWriter.h"

#include "core/Stream.h"

#include <algorithm>

namespace tb {
namespace {

// The length byte counts 16-byte units, so a block holds at most 4080
// bytes: the title is cut where the whole text still fits.
constexpr int32_t MaxTitleLength = 255 * 16 - 15;

} // namespace

String IcyMetadataWriter::Block(const String& songText) {
    String title = songText.Mid(0, std::min(songText.Length(), MaxTitleLength));
    String text = "StreamTitle='" + title.ReplaceAll("'", "\xb4") + "';";
    int32_t units = (text.Length() + 15) / 16;
    String block;
    block += static_cast<char>(units);
    block += text;
    for (int32_t i = text.Length(); i < units * 16; ++i)
        block += '\0';
    return block;
}

// Audio and the blocks among it go out in one write: a block is small, and
// a send of its own costs as much as one of 5000 bytes. A song's block is
// made once.
int32_t IcyMetadataWriter::Write(OutputStream& out, const char* bytes, int32_t count,
                                 const String& songText) {
    if (counter_ + count < Interval) {
        out.Write(bytes, count);
        counter_ += count;
        return Interval - counter_;
    }
    if (block_.IsEmpty() || songText != blockText_) {
        blockText_ = songText;
        block_ = Block(songText);
    }
    pending_.clear();
    while (counter_ + count >= Interval) {
        int32_t head = Interval - counter_;
        pending_.append(bytes, static_cast<size_t>(head));
        pending_.append(block_.c_str(), static_cast<size_t>(block_.Length()));
        bytes += head;
        count -= head;
        counter_ = 0;
    }
    pending_.append(bytes, static_cast<size_t>(count));
    counter_ = count;
    out.Write(pending_.data(), static_cast<int32_t>(pending_.size()));
    return Interval - counter_;
}

} // namespace tb
