#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tb {

// The CRC-32 of zip archives (reflected polynomial 0xEDB88320, all ones at
// the start, complemented at the end), fed in as many pieces as it takes.
// The shared table is built once, by whichever thread needs it first; one
// Crc32 object is used by one thread.
class Crc32 {
public:
    void Update(const void* bytes, size_t count) noexcept;
    uint32_t Value() const noexcept { return ~state_; }

    static uint32_t Of(std::string_view bytes) noexcept;

private:
    uint32_t state_ = 0xFFFFFFFF;
};

} // namespace tb
