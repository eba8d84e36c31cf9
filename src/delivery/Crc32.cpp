#include "delivery/Crc32.h"

namespace tb {
namespace {

struct Table {
    uint32_t entries[256];

    Table() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit)
                c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};

const Table& TheTable() {
    static const Table table; // built once, safely, by the first caller
    return table;
}

} // namespace

void Crc32::Update(const void* bytes, size_t count) noexcept {
    const uint32_t* table = TheTable().entries;
    const auto* p = static_cast<const unsigned char*>(bytes);
    uint32_t crc = state_;
    for (size_t i = 0; i < count; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    state_ = crc;
}

uint32_t Crc32::Of(std::string_view bytes) noexcept {
    Crc32 crc;
    crc.Update(bytes.data(), bytes.size());
    return crc.Value();
}

} // namespace tb
