#include "library/MetadataFile.h"

#include "core/FileDescriptor.h"
#include "core/LeadingInteger.h"
#include "core/Path.h"

#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace tb {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool StartsLine(std::string_view text, size_t at) {
    while (at > 0 && IsBlank(text[at - 1]))
        --at;
    return at == 0 || text[at - 1] == '\r' || text[at - 1] == '\n';
}

} // namespace

bool MetadataFile::Open(const String& directory, const char* fileName) {
    String path = JoinPath(directory, fileName);
    RegularFile file = OpenRegularFile(path.c_str());
    if (!file.fd.IsOpen())
        return false;
    String text;
    char* buffer = text.GetBuffer(MaxBytes);
    int32_t filled = 0;
    for (ssize_t n; filled < MaxBytes &&
                    (n = ::read(file.fd.Get(), buffer + filled, MaxBytes - filled)) != 0;) {
        if (n < 0)
            return false;
        filled += static_cast<int32_t>(n);
    }
    text.ReleaseBuffer(filled);
    text_ = text;
    return true;
}

String MetadataFile::GetString(const char* key) const {
    std::string_view text = text_.View();
    std::string_view name(key);
    if (name.empty())
        return String();
    for (size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1)) {
        if (!StartsLine(text, at))
            continue;
        size_t p = at + name.size();
        while (p < text.size() && IsBlank(text[p]))
            ++p;
        if (p >= text.size() || text[p] != '=')
            continue;
        ++p;
        while (p < text.size() && IsBlank(text[p]))
            ++p;
        size_t end = text.find_first_of("\r\n", p);
        return String(text.substr(p, end == std::string_view::npos ? end : end - p));
    }
    return String();
}

int32_t MetadataFile::GetInt(const char* key, int32_t fallback) const {
    String value = GetString(key);
    return value.IsEmpty() ? fallback : LeadingInteger(value.View());
}

bool MetadataFile::GetBool(const char* key, bool fallback) const {
    String value = GetString(key);
    if (value.IsEmpty())
        return fallback;
    char c = value.At(0);
    return c == 'Y' || c == 'y' || c == 'T' || c == 't';
}

} // namespace tb
