#include "delivery/DeliveryAnswers.h"

#include "delivery/FolderBrowse.h"
#include "delivery/Playlists.h"
#include "delivery/RandomStream.h"
#include "delivery/SongAnswers.h"
#include "delivery/ZipDownload.h"
#include "library/FolderNode.h"
#include "library/ServiceItem.h"
#include "web/FolderPage.h"

#include <cstdlib>
#include <ctime>

namespace tb {

void DeliveryAnswers::ContentItem(FolderNode& folder, HttpRequest&, TextBuilder& listing) const {
    AppendFolderItem(folder, listing);
}

void DeliveryAnswers::ContentItem(SongNode& song, HttpRequest& request,
                                  TextBuilder& listing) const {
    AppendSongItem(song, request, listing);
}

void DeliveryAnswers::ContentItem(RandomStreamNode& stream, HttpRequest&,
                                  TextBuilder& listing) const {
    AppendRandomStreamItem(stream, listing);
}

HttpAnswer DeliveryAnswers::Browse(FolderNode& folder, HttpRequest& request, int32_t numElem,
                                   int32_t fromIndex, const String& superScroll) const {
    return BrowseFolder(folder, request, numElem, fromIndex, superScroll);
}

HttpAnswer DeliveryAnswers::Browse(RandomStreamNode& stream, HttpRequest& request, int32_t numElem,
                                   int32_t fromIndex, const String&) const {
    return BrowseRandomStream(stream, request, numElem, fromIndex);
}

// The generator is seeded from the clock at every folder action, so two
// shuffles in the same second come out alike.
void DeliveryAnswers::WebAction(FolderNode& folder, HttpRequest& request, char action) const {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    if (ServiceItem* service = folder.Service()) {
        service->WebAction(folder, request, action);
        return;
    }
    switch (action) {
    case 'L':
        SendFolderPlaylist(folder, request);
        break;
    case 'M':
        SendFolderShuffle(folder, request);
        break;
    case 'N':
        SendAnyRandom(folder, request);
        break;
    case 'Z':
        SendFolderZip(folder, request);
        break;
    case 'P':
    case 'B':
        folder.ServeImage(request, action);
        break;
    default:
        BuildFolderPage(folder, request);
    }
}

void DeliveryAnswers::WebAction(SongNode& song, HttpRequest& request, char action) const {
    if (action == 'P')
        PlaySong(song, request);
    else if (action == 'Z')
        DownloadSong(song, request);
    else
        SendSongPlaylist(song, request);
}

void DeliveryAnswers::WebAction(RandomStreamNode& stream, HttpRequest& request, char action) const {
    if (action == 'P')
        PlayRandomStream(stream, request);
    else
        SendRandomStreamPlaylist(stream, request);
}

void DeliveryAnswers::Play(SongNode& song, HttpRequest& request) const {
    PlaySong(song, request);
}

} // namespace tb
