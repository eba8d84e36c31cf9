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

int32_t IcyMetadataWriter::Write(OutputStream& out, const char* bytes, int32_t count,
                                 const String& songText) {
    while (counter_ + count >= Interval) {
        int32_t head = Interval - counter_;
        out.Write(bytes, head);
        String block = Block(songText);
        out.Write(block.c_str(), block.Length());
        bytes += head;
        count -= head;
        counter_ = 0;
    }
    if (count > 0)
        out.Write(bytes, count);
    counter_ += count;
    return Interval - counter_;
}

} // namespace tb
