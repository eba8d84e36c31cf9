#include "delivery/Crc32.h"

#include <immintrin.h>

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

uint32_t ByTable(uint32_t crc, const unsigned char* p, size_t count) noexcept {
    const uint32_t* table = TheTable().entries;
    for (size_t i = 0; i < count; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

// Carry-less multiplication folds the bytes sixteen at a time into a
// 128-bit remainder that has the same CRC as everything folded so far, so
// the table only ever sees that remainder and the last few bytes. The
// constants are x^n mod P, bit-reflected, for the fold distances used:
// 4 x 128 bits in the main loop and 128 bits at the end.
constexpr uint64_t Fold512Low = 0x154442bd4, Fold512High = 0x1c6e41596;
constexpr uint64_t Fold128Low = 0x1751997d0, Fold128High = 0x0ccaa009e;

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
    __m128i low = _mm_clmulepi64_si128(x, k, 0x00);
    __m128i high = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

__attribute__((target("pclmul,sse2"))) uint32_t ByFolding(uint32_t crc, const unsigned char* p,
                                                          size_t count) noexcept {
    auto load = [](const unsigned char* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    // The register's starting value is the same as these bits xor-ed into
    // the first four bytes, after which the register starts at zero.
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
    p += 64;
    count -= 64;
    const __m128i k512 = _mm_set_epi64x(Fold512High, Fold512Low);
    for (; count >= 64; p += 64, count -= 64) {
        x0 = Fold(x0, k512, load(p));
        x1 = Fold(x1, k512, load(p + 16));
        x2 = Fold(x2, k512, load(p + 32));
        x3 = Fold(x3, k512, load(p + 48));
    }
    const __m128i k128 = _mm_set_epi64x(Fold128High, Fold128Low);
    __m128i x = Fold(Fold(Fold(x0, k128, x1), k128, x2), k128, x3);
    for (; count >= 16; p += 16, count -= 16)
        x = Fold(x, k128, load(p));
    unsigned char rest[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), x);
    return ByTable(ByTable(0, rest, sizeof rest), p, count);
}

bool CanFold() noexcept {
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    return can;
}

} // namespace

void Crc32::Update(const void* bytes, size_t count) noexcept {
    const auto* p = static_cast<const unsigned char*>(bytes);
    state_ = count >= 64 && CanFold() ? ByFolding(state_, p, count) : ByTable(state_, p, count);
}

uint32_t Crc32::Of(std::string_view bytes) noexcept {
    Crc32 crc;
    crc.Update(bytes.data(), bytes.size());
    return crc.Value();
}

} // namespace tb
