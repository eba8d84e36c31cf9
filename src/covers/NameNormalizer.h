#pragma once

#include "core/String.h"

namespace tb {

// Artist and album names made comparable with what cover sites list: the
// noise of folder names and tags goes (edition remarks, disc numbers,
// years, track numbers, the artist repeated in the album, underscores, a
// "Family, Given" artist). Pure text functions; each returns its input
// unchanged when its pattern is not there. Letter case is compared ASCII
// only. Thread-safe.

// "_" becomes a space; one comma turns "Vale, Lumen" into "Lumen Vale".
String NormalizeArtist(const String& artist);
// The album with every remark below taken away; `artist` is normalised.
String NormalizeAlbum(const String& album, const String& artist);

// The building blocks, in the order NormalizeAlbum applies them.
// The first bracketed remark, if it is `word` (ignoring case) with an
// optional digit when `allowNumber`: "(Live 2)", " - [Box Set]".
String RemoveQualifier(const String& text, const String& word, bool allowNumber);
// The first "cd" or "disc" (found inside words too) with its number:
// "CD 1", " - (Disc 2 of 3)", "[cd2]".
String RemoveDiscNumber(const String& text);
// `name` in front of the album, as in "Artist - Album" or "(Artist)-Album".
String StripLeadingName(const String& text, const String& name);
// The first year from 1900 to 2200, or date around one: "1999",
// "(2004)", " - [12-31-1999]", "2001-05-17".
String RemoveYear(const String& text);
// A leading one- or two-digit number: "01 - Title", "(3)-Title".
String StripLeadingTrackNumber(const String& text);

} // namespace tb
