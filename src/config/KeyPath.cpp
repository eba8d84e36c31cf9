#include "config/KeyPath.h"

#include "config/RegistryException.h"

namespace tb {
namespace {

[[noreturn]] void Invalid(const String& path) {
    throw RegistryException(RegistryException::InvalidParameter, path, "malformed key path");
}

int32_t LastSeparator(const String& path) {
    int32_t last = -1;
    for (int32_t at = path.Find(KeyPath::Separator); at >= 0;
         at = path.Find(KeyPath::Separator, at + 1))
        last = at;
    return last;
}

} // namespace

String KeyPath::Normalize(const String& path) {
    if (path.Find('\0') >= 0)
        Invalid(path);
    String result = path;
    if (!result.IsEmpty() && result.At(result.Length() - 1) == Separator)
        result = result.Mid(0, result.Length() - 1);
    if (result.IsEmpty())
        return result;
    std::string_view text = result.View();
    if (text.front() == Separator || text.back() == Separator ||
        text.find("\\\\") != std::string_view::npos)
        Invalid(path);
    return result;
}

String KeyPath::Child(const String& parent, const String& name) {
    if (name.IsEmpty() || name.At(0) == Separator)
        Invalid(name);
    return Normalize(parent.IsEmpty() ? name : parent + Separator + name);
}

String KeyPath::Parent(const String& path) {
    int32_t last = LastSeparator(path);
    return last < 0 ? String() : path.Mid(0, last);
}

String KeyPath::Leaf(const String& path) {
    return path.Mid(LastSeparator(path) + 1);
}

} // namespace tb
