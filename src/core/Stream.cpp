#include "core/Stream.h"

namespace tb {

int32_t InputStream::Read(void* buffer, int32_t maximum) {
    auto* out = static_cast<unsigned char*>(buffer);
    int32_t n = 0;
    while (n < maximum) {
        int32_t byte = Get();
        if (byte < 0)
            break;
        out[n++] = static_cast<unsigned char>(byte);
    }
    return n > 0 || maximum <= 0 ? n : -1;
}

void OutputStream::Write(const void* bytes, int32_t count) {
    const auto* in = static_cast<const char*>(bytes);
    for (int32_t i = 0; i < count; ++i)
        Put(in[i]);
}

} // namespace tb
