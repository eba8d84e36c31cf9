#include "library/FolderImages.h"

#include "core/Path.h"

#include <cstring>
#include <initializer_list>
#include <strings.h>
#include <sys/stat.h>

namespace tb {
namespace {

bool Exists(const String& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

String FirstExisting(const String& folderPath, std::initializer_list<String> names) {
    for (const String& name : names) {
        String candidate = JoinPath(folderPath, name.View());
        if (Exists(candidate))
            return candidate;
    }
    return String();
}

bool EndsWithNoCase(const String& text, const char* suffix) {
    int32_t n = static_cast<int32_t>(strlen(suffix));
    return text.Length() >= n && strcasecmp(text.c_str() + text.Length() - n, suffix) == 0;
}

} // namespace

const unsigned char FolderImages::Placeholder[49] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x91, 0x00, 0x00,
    0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x21,
    0xf9, 0x04, 0x05, 0x14, 0x00, 0x02, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x54, 0x01, 0x00, 0x3b};

String FolderImages::FindFront(const String& folderPath) {
    // The folder's own name comes first; a trailing slash is not part of it.
    String trimmed = folderPath;
    if (trimmed.Length() > 1 && trimmed.At(trimmed.Length() - 1) == '/')
        trimmed = trimmed.Mid(0, trimmed.Length() - 1);
    int32_t slash = -1;
    for (int32_t at = trimmed.Find('/'); at >= 0; at = trimmed.Find('/', at + 1))
        slash = at;
    if (slash >= 0 && slash + 1 < trimmed.Length()) {
        String name = trimmed.Mid(slash + 1);
        String found = FirstExisting(trimmed, {name + ".jpg", name + ".gif"});
        if (!found.IsEmpty())
            return found;
    }
    return FirstExisting(trimmed, {"front.jpg", "front.gif"});
}

String FolderImages::FindBack(const String& folderPath) {
    return FirstExisting(folderPath, {"back.jpg", "back.gif"});
}

bool FolderImages::IsPictureName(const String& path) {
    return EndsWithNoCase(path, ".jpg") || EndsWithNoCase(path, ".jpeg") ||
           EndsWithNoCase(path, ".gif") || EndsWithNoCase(path, ".png");
}

} // namespace tb
