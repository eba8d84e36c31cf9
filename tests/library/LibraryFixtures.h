#pragma once

#include <string>

namespace tb::test {

// An MP3-named file whose only content is an ID3v1 tag, laid out by hand
// (fields space-padded to their width).
std::string Id3v1Tail(const std::string& title, const std::string& artist, const std::string& album,
                      const std::string& year, unsigned char genre);

} // namespace tb::test
