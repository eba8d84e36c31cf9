#include "covers/NameNormalizer.h"

#include <cstdlib>
#include <string_view>

// Any artist and album (split at the first NUL) normalise without fault;
// an artist never keeps an underscore.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    size_t split = std::min(bytes.find('\0'), bytes.size());
    tb::String artist = tb::NormalizeArtist(tb::String(bytes.substr(0, split)));
    if (artist.View().find('_') != std::string_view::npos)
        abort();
    tb::String album(bytes.substr(std::min(split + 1, bytes.size())));
    tb::NormalizeAlbum(album, artist);
    return 0;
}
