#pragma once

namespace tb {

class FolderNode;

// The name a child sorts by: a leading track number and the spaces after it
// are skipped when a "-" follows them ("01 - Intro" sorts as "Intro");
// otherwise the whole name counts ("01 Intro", "2Pac").
const char* SkipTrackPrefix(const char* name);

// Sorts a folder's children by SkipTrackPrefix name, ignoring case, then
// every child folder the same way. The order of equal names is not defined.
void SortChildren(FolderNode& folder);

} // namespace tb
