#pragma once

#include "library/NodeAnswers.h"

namespace tb {

// The answers of folders, songs and random streams: device listings, song
// streams and downloads, folder pictures. Stateless; thread-safe.
class DeliveryAnswers : public NodeAnswers {
public:
    void ContentItem(FolderNode& folder, HttpRequest& request, TextBuilder& listing) const override;
    void ContentItem(SongNode& song, HttpRequest& request, TextBuilder& listing) const override;
    void ContentItem(RandomStreamNode& stream, HttpRequest& request,
                     TextBuilder& listing) const override;
    HttpAnswer Browse(FolderNode& folder, HttpRequest& request, int32_t numElem, int32_t fromIndex,
                      const String& superScroll) const override;
    HttpAnswer Browse(RandomStreamNode& stream, HttpRequest& request, int32_t numElem,
                      int32_t fromIndex, const String& superScroll) const override;
    // "L", "M", "N": playlists; "Z": the folder as a zip archive; "P" and
    // "B": the folder's front and back picture; other letters: the folder's
    // page.
    void WebAction(FolderNode& folder, HttpRequest& request, char action) const override;
    // "P" plays, "Z" downloads, other letters: a playlist of the song.
    void WebAction(SongNode& song, HttpRequest& request, char action) const override;
    // "P": the endless stream; other letters: a playlist of the stream.
    void WebAction(RandomStreamNode& stream, HttpRequest& request, char action) const override;
    void Play(SongNode& song, HttpRequest& request) const override;
};

} // namespace tb
