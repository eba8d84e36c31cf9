#include "web/TemplateVariable.h"

namespace tb {

const char* TemplateVariableTag(int variable) {
    static const char* const Tags[TemplateVariableCount] = {
        "%HistoryItemLink%", "%HistoryItemName%",  "%FileItemLink%",      "%FileItemName%",
        "%FolderItemLink%",  "%FolderItemName%",   "%FolderLink%",        "%FolderName%",
        "%ParentLink%",      "%ParentName%",       "%GrandParentLink%",   "%GrandParentName%",
        "%ShareLink%",       "%ShareName%",        "%HasFolderImage%",    "%HasSongs%",
        "%HasFolders%",      "%SongAlbum%",        "%SongTrackNumber%",   "%SongArtist%",
        "%SongGenre%",       "%SongYear%",         "%SongLength%",        "%SongBitRate%",
        "%SongTitle%",       "%SongSamplingRate%", "%SongMpegVersion%",   "%SongMpegLayer%",
        "%SongChannelMode%", "%UserName%",         "%SongCount%",         "%HasFolderBackImage%",
        "%FolderTime%",      "%FolderCount%",      "%TunebridgeVersion%", "%QSongAlbum%",
        "%QSongArtist%",     "%QSongTitle%",       "%IsRecommended%",     "%FolderComment%",
        "%FolderAlbum%",     "%FolderArtist%",
    };
    return Tags[variable];
}

} // namespace tb
