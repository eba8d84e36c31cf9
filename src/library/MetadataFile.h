#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

// Reads a folder's "key = value" metadata file. Keys match case-sensitively
// and only at the start of a line (after spaces or tabs); the value is the
// rest of the line, trailing spaces kept. Only the first 64 KiB of a file
// are read: a real metadata file is a few lines long.
class MetadataFile {
public:
    static constexpr int32_t MaxBytes = 64 * 1024;

    // Reads directory/fileName; false when it cannot be read.
    bool Open(const String& directory, const char* fileName);
    void SetText(String text) { text_ = std::move(text); }

    String GetString(const char* key) const;
    // C atoi of the value; `fallback` when the value is missing or empty.
    int32_t GetInt(const char* key, int32_t fallback) const;
    // True when the value starts with Y, y, T or t; `fallback` when missing or empty.
    bool GetBool(const char* key, bool fallback) const;

private:
    String text_;
};

} // namespace tb
