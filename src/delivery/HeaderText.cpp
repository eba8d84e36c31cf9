#include "delivery/HeaderText.h"

namespace tb {

String HeaderText(const String& text) {
    String clean = text;
    for (int32_t i = 0; i < text.Length(); ++i) {
        auto c = static_cast<unsigned char>(text.At(i));
        if (c < 0x20 || c == 0x7F)
            clean.GetBuffer(0)[i] = ' ';
    }
    return clean;
}

} // namespace tb
