#include "radio/IniFile.h"

#include "core/FileDescriptor.h"

#include <strings.h>

namespace tb {
namespace {

std::string_view Trimmed(std::string_view text) {
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(" \t");
    return text.substr(start, end - start + 1);
}

bool SameName(const String& name, std::string_view other) {
    return static_cast<size_t>(name.Length()) == other.size() &&
           strncasecmp(name.c_str(), other.data(), other.size()) == 0;
}

} // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile file;
    String section;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = Trimmed(line);
        if (!line.empty() && line.front() == '[') {
            size_t close = line.find(']');
            section = String(Trimmed(
                line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos || line.front() == ';')
            continue;
        std::string_view value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        file.entries_.push_back({section, String(Trimmed(line.substr(0, equals))),
                                 String(value.substr(0, MaxValueLength))});
    }
    return file;
}

IniFile IniFile::Read(const String& path, int64_t limit) {
    std::optional<std::string> text = ReadWholeFile(path.c_str(), limit);
    return text ? Parse(*text) : IniFile();
}

std::optional<String> IniFile::Get(std::string_view section, std::string_view key) const {
    for (const Entry& entry : entries_)
        if (SameName(entry.section, section) && SameName(entry.key, key))
            return entry.value;
    return std::nullopt;
}

} // namespace tb
