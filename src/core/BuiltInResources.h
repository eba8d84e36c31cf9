#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tb {

// The files of resources/, compiled into the program: the pictures pages
// name as "/R" + number, and the built-in page template. They are part of
// the program's image, so looking one up loads nothing and needs no lock.
std::optional<std::string_view> BuiltInPicture(int32_t number);
std::string_view BuiltInTemplate();

namespace resources {
struct Entry {
    int32_t number;
    std::string_view bytes;
};
// Filled in by the build (cmake/EmbedResources.cmake), sorted by number.
extern const Entry Pictures[];
extern const size_t PictureCount;
extern const std::string_view Template;
} // namespace resources

} // namespace tb
