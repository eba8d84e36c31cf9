#include "core/Path.h"

#include <filesystem>

namespace tb {

String JoinPath(const String& directory, std::string_view name) {
    if (!directory.IsEmpty() && directory.At(directory.Length() - 1) == '/')
        return directory + String(name);
    return directory + "/" + String(name);
}

String AbsolutePath(const String& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path.c_str(), error);
    std::string text =
        (error ? std::filesystem::path(path.c_str()) : absolute).lexically_normal().string();
    if (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return String(text);
}

} // namespace tb
