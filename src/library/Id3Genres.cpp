#include "library/Id3Genres.h"

namespace tb {
namespace {

// clang-format off
constexpr const char* GenreNames[Id3GenreCount] = {
    "Blues", "ClassicRock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "NewAge", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "DeathMetal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical",
    "Instrumental", "Acid", "House", "Game", "SoundClip", "Gospel", "Noise", "AlternRock",
    "Bass", "Soul", "Punk", "Space", "Meditative", "InstrumentalPop", "InstrumentalRock",
    "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance",
    "Dream", "SouthernRock", "Comedy", "Cult", "Gangsta", "Top40", "ChristianRap", "Pop/Funk",
    "Jungle", "NativeAmerican", "Cabaret", "NewWave", "Psychadelic", "Rave", "Showtunes",
    "Trailer", "Lo-Fi", "Tribal", "AcidPunk", "AcidJazz", "Polka", "Retro", "Musical",
    "Rock&Roll", "HardRock", "Folk", "Folk-Rock", "NationalFolk", "Swing", "FastFusion",
    "Bebob", "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde", "GothicRock",
    "ProgressiveRock", "PsychedelicRock", "SymphonicRock", "SlowRock", "BigBand", "Chorus",
    "EasyListening", "Acoustic", "Humour", "Speech", "Chanson", "Opera", "ChamberMusic",
    "Sonata", "Symphony", "BootyBrass", "Primus", "PornGroove", "Satire", "SlowJam", "Club",
    "Tango", "Samba", "Folklore", "Ballad", "PoweerBallad", "RhytmicSoul", "Freestyle", "Duet",
    "PunkRock", "DrumSolo", "ACapela", "Euro-House", "DanceHall"
};
// clang-format on

} // namespace

const char* Id3GenreName(uint32_t code) noexcept {
    return code < Id3GenreCount ? GenreNames[code] : nullptr;
}

} // namespace tb
