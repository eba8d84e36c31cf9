#pragma once

#include "core/String.h"

#include <string>
#include <unordered_map>

namespace tb {

class FolderNode;
class SongNode;

// Files every song of a tree into the value folders of one category folder
// ("Genre", "Album", "Artist", "Year"): one value folder per tag value,
// compared ignoring case and named after the first spelling met.
class CategoryBuilder {
public:
    enum class Kind { Genre = 0, Album = 1, Artist = 2, Year = 3 };

    CategoryBuilder(Kind kind, FolderNode& category) : kind_(kind), category_(category) {}

    // Walks `folder` and every folder it owns, filing each song.
    void FileSongsBelow(FolderNode& folder);

private:
    void File(SongNode& song);
    String Value(const SongNode& song) const;

    Kind kind_;
    FolderNode& category_;
    std::unordered_map<std::string, FolderNode*> byFoldedValue_;
};

} // namespace tb
