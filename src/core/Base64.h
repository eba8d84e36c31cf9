#pragma once

#include "core/String.h"

#include <cstdint>
#include <string_view>

namespace tb {

struct Base64Result {
    String data;
    int32_t errorAt = -1; // position of the first character that is not Base64, or -1
};

// Decodes standard Base64 (alphabet A-Z a-z 0-9 + /): four characters give
// three bytes, one or two "=" end the data. Any other character, white
// space included, is an error at its position; so is anything after the
// padding and a last group of a single character. A last group of two or
// three characters without its padding is decoded.
Base64Result DecodeBase64(std::string_view text);

} // namespace tb
