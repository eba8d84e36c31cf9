#pragma once

#include <cstdint>

namespace tb {

// The ID3v1 genre list, codes 0-125, spelled the way our pages have always
// shown them (including the historic misspellings songs are sorted under).
constexpr uint32_t Id3GenreCount = 126;

// The genre name for a code, or nullptr when the code is 126 or above.
const char* Id3GenreName(uint32_t code) noexcept;

} // namespace tb
