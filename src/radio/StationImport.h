#pragma once

#include "radio/RadioService.h"

namespace tb {

// A station made from a pls playlist file: named after the file, described
// by its first entry's title, with the URLs of its first eight entries
// ("?" for an entry without one), quick access when it has one entry. A
// file that cannot be read gives a station without URLs.
RadioService::Fields ImportPlsFile(const String& path);

// The file name of a path without its extension: "/radio/Jazz FM.pls"
// gives "Jazz FM".
String FileTitle(const String& path);
// A directory's title without its leading "(...)" part and spaces:
// "(#1 - 231/5000) Jazz FM" gives "Jazz FM"; a text that would be left
// empty is returned as given.
String StripTitlePrefix(const String& text);

} // namespace tb
