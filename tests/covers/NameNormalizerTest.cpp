// Artist and album names as the cover crawler compares them, odd results
// of the rules included.
#include "covers/NameNormalizer.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

TEST(NameNormalizerTest, Artists) {
    const struct {
        const char *artist, *normalised;
    } cases[] = {
        {"Vale, Lumen", "Lumen Vale"}, {"Crest, Orin, Tam", "Crest, Orin, Tam"}, // two commas: kept
        {"Lumen_Vale", "Lumen Vale"},  {" _Vale ,Lumen_ ", "Lumen Vale"},        {",", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeArtist(c.artist), String(c.normalised)) << c.artist;
}

TEST(NameNormalizerTest, Albums) {
    const struct {
        const char *album, *normalised;
    } cases[] = {
        {"Night Harbour (Remastered)", "Night Harbour"},
        {"Night Harbour [Disc 2 of 3]", "Night Harbour"},
        {"Lumen Vale - Night Harbour", "Night Harbour"},
        {"(Lumen Vale)-Night Harbour", "Night Harbour"},
        {"Night Harbour - 1998", "Night Harbour"},
        {"Night Harbour (Live 2)", "Night Harbour"},
        {"Night Harbour (Lumen Vale)", "Night Harbour"},
        {"Night Harbour (2004-05-17)", "Night Harbour"},
        {"Night Harbour - [12-31-1999]", "Night Harbour"},
        {"Night Harbour - CD1", "Night Harbour"},
        {"Night Harbour - (cd 2)", "Night Harbour"},
        {"03 - Night Harbour", "Night Harbour"},
        {"(3)-Night Harbour", "Night Harbour"},
        {"Night_Harbour (Maxi_CD)", "Night Harbour"},
        {"Night Harbour - [Box Set]", "Night Harbour"},
        {"Night Harbour ()", "Night Harbour"},
        // A word must be followed by its closing bracket (and "live" by at
        // most one digit); only the first bracket counts.
        {"Night Harbour (Live at Ostby)", "Night Harbour (Live at Ostby)"},
        {"Night Harbour (Deluxe) (Live)", "Night Harbour (Deluxe) (Live)"},
        {"Night Harbour (Live 12)", "Night Harbour (Live 12)"},
        // Years anywhere, only from 1900 to 2200.
        {"Top 2000 Hits", "Top Hits"},
        {"Night Harbour 1899", "Night Harbour 1899"},
        {"Night Harbour 2200", "Night Harbour"},
        // "cd" and "disc" are found inside words too.
        {"Abcde", "Ab e"},
        {"Discovery Bay", "overy Bay"},
        {"Night Harbour [cd", "Night Harbour [cd"}, // a bracket without its end
        {"  ", ""},
        {"(", "("},
        {"-", "-"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeAlbum(c.album, "Lumen Vale"), String(c.normalised)) << c.album;
}

} // namespace
} // namespace tb
