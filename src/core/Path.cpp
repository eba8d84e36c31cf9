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

namespace {

std::string_view WithoutClosingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

} // namespace

std::string_view BaseName(std::string_view path) {
    path = WithoutClosingSlashes(path);
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view ParentPath(std::string_view path) {
    path = WithoutClosingSlashes(path);
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

} // namespace tb
