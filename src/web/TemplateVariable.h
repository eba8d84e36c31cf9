#pragma once

#include <cstdint>

namespace tb {

// The variables a page template may name, in the order the compiler tries
// them; each is written as its name between two percent signs.
enum class TemplateVariable : int8_t {
    HistoryItemLink,
    HistoryItemName,
    FileItemLink,
    FileItemName,
    FolderItemLink,
    FolderItemName,
    FolderLink,
    FolderName,
    ParentLink,
    ParentName,
    GrandParentLink,
    GrandParentName,
    ShareLink,
    ShareName,
    HasFolderImage,
    HasSongs,
    HasFolders,
    SongAlbum,
    SongTrackNumber,
    SongArtist,
    SongGenre,
    SongYear,
    SongLength,
    SongBitRate,
    SongTitle,
    SongSamplingRate,
    SongMpegVersion,
    SongMpegLayer,
    SongChannelMode,
    UserName,
    SongCount,
    HasFolderBackImage,
    FolderTime,
    FolderCount,
    TunebridgeVersion,
    QSongAlbum,
    QSongArtist,
    QSongTitle,
    IsRecommended,
    FolderComment,
    FolderAlbum,
    FolderArtist,
};
inline constexpr int TemplateVariableCount = 42;

// The variable's tag, "%" + name + "%".
const char* TemplateVariableTag(int variable);

// The conditions of the conditional markers, in marker order.
enum class TemplateCondition : int8_t { Folders, Files, Image, BackImage, Recommended, Comment };
inline constexpr int TemplateConditionCount = 6;

// The repeated sections; each has a start and an end marker.
enum class TemplateSection : int8_t { History, File, Folder };
inline constexpr int TemplateSectionCount = 3;

} // namespace tb
