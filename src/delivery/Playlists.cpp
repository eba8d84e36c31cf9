#include "delivery/Playlists.h"

#include "core/Socket.h"
#include "delivery/HeaderText.h"
#include "library/Mp3Info.h"
#include "library/RandomStreamNode.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"

namespace tb {
namespace {

// The header of the one-entry playlists; the tag comes before the type.
String EntryPlaylistHeader(int32_t length, const String& tag) {
    return String::Format("HTTP/1.1 200 OK\r\n"
                          "Accept-Ranges: bytes\r\n"
                          "Cache-Control: private\r\n"
                          "Content-Length: %d\r\n"
                          "Content-Disposition: inline; filename=song.m3u\r\n"
                          "ETag: \"%s\"\r\n"
                          "Content-Type: audio/mpegurl\r\n"
                          "\r\n",
                          length, tag.c_str());
}

// The node's own URL with the "P" letter: the request path without its "/".
String PlayLink(const HttpRequest& request) {
    return request.baseUrl + "P" + request.path.Mid(1) + "\r\n";
}

void Send(HttpRequest& request, const String& body, const String& tag) {
    request.socket->Write(EntryPlaylistHeader(body.Length(), tag) + body);
}

} // namespace

void SendSongPlaylist(SongNode& song, HttpRequest& request) {
    const Mp3Info* info = song.TryGetInfo();
    // A title with a line break in it must not add entries of its own.
    String title = info ? HeaderText(info->Title()) : String();
    Send(request, "#EXTM3U\r\n#EXTINF:-1, " + title + "\r\n" + PlayLink(request),
         song.GetETag(request, ' '));
}

void SendRandomStreamPlaylist(RandomStreamNode& stream, HttpRequest& request) {
    Send(request, "#EXTM3U\r\n" + PlayLink(request), stream.GetETag(request, ' '));
}

} // namespace tb
