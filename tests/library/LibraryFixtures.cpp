#include "library/LibraryFixtures.h"

namespace tb::test {
namespace {

std::string Field(const std::string& text, size_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field;
}

} // namespace

std::string Id3v1Tail(const std::string& title, const std::string& artist, const std::string& album,
                      const std::string& year, unsigned char genre) {
    return "TAG" + Field(title, 30) + Field(artist, 30) + Field(album, 30) + Field(year, 4) +
           std::string(30, '\0') + std::string(1, static_cast<char>(genre));
}

} // namespace tb::test
