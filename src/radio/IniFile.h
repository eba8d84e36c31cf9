#pragma once

#include "core/String.h"

#include <optional>
#include <string_view>
#include <vector>

namespace tb {

// A text of "[section]" lines and "key=value" lines, read by the rules
// playlist files were written for: section and key names match without
// regard to letter case, the first match wins, names and values lose the
// spaces around them, a value in matching quotes loses its quotes, and a
// value is cut at MaxValueLength characters. Other lines are ignored.
class IniFile {
public:
    static constexpr int32_t MaxValueLength = 2998;

    static IniFile Parse(std::string_view text);
    // The file's text, at most `limit` bytes of it; empty when it cannot be read.
    static IniFile Read(const String& path, int64_t limit = 1 << 20);

    std::optional<String> Get(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        String section;
        String key;
        String value;
    };
    std::vector<Entry> entries_;
};

} // namespace tb
