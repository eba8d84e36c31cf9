#include "delivery/Playlists.h"

#include "core/ActivityLog.h"
#include "core/Socket.h"
#include "core/TextBuilder.h"
#include "delivery/FileCopy.h"
#include "delivery/HeaderText.h"
#include "library/FolderNode.h"
#include "library/Mp3Info.h"
#include "library/NodeTree.h"
#include "library/RandomStreamNode.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"
#include "web/UserList.h"

#include <cstdlib>
#include <vector>

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

// The header of the folder playlists; the tag comes last.
String FolderPlaylistHeader(int32_t length, const String& tag) {
    return String::Format("HTTP/1.1 200 OK\r\n"
                          "Accept-Ranges: bytes\r\n"
                          "Cache-Control: private\r\n"
                          "Content-Length: %d\r\n"
                          "Content-Disposition: inline; filename=song.m3u\r\n"
                          "Content-Type: audio/mpegurl\r\n"
                          "ETag: \"%s\"\r\n"
                          "\r\n",
                          length, tag.c_str());
}

// A song's title line; a title with a line break in it must not add
// entries of its own.
void AppendTitle(TextBuilder& body, const SongNode& song) {
    const Mp3Info* info = song.TryGetInfo();
    body.Append("#EXTINF:-1, ").Append(info ? HeaderText(info->Title()) : String()).Append("\r\n");
}

void AppendLink(TextBuilder& body, const HttpRequest& request, const MediaNode& node) {
    body.Append(request.baseUrl).Append("P").AppendNumber(node.Id()).Append("\r\n");
}

// Reports the activity and logs "[user]: playing ...".
void Report(HttpRequest& request, const char* status, const String& logged) {
    request.users->SetStatus(StatusKey(request), status, 10);
    request.log->AddLine("[" + request.users->NameOf(request.user) + "]: " + logged);
}

void SendFolderAnswer(FolderNode& folder, HttpRequest& request, char action, TextBuilder& body) {
    String text = body.Finish();
    request.socket->Write(FolderPlaylistHeader(text.Length(), folder.GetETag(request, action)) +
                          text);
}

// One pass: each place takes a random entry from those not placed yet,
// which moves there while the entries it passed move up one.
void ShufflePass(std::vector<int32_t>& order) {
    auto n = static_cast<int32_t>(order.size());
    for (int32_t i = 0; i < n; ++i) {
        int32_t j = i + std::rand() % (n - i);
        int32_t taken = order[static_cast<size_t>(j)];
        order.erase(order.begin() + j);
        order.insert(order.begin() + i, taken);
    }
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

void SendFolderPlaylist(FolderNode& folder, HttpRequest& request) {
    TextBuilder body(4096);
    body.Append("#EXTM3U\r\n");
    for (const MediaNode* child : folder.Children()) {
        if (!child->IsPlayable())
            continue;
        if (child->IsSong())
            AppendTitle(body, static_cast<const SongNode&>(*child));
        AppendLink(body, request, *child);
    }
    Report(request, "Play list", "playing list '" + folder.Name() + "'");
    SendFolderAnswer(folder, request, 'L', body);
}

void SendFolderShuffle(FolderNode& folder, HttpRequest& request) {
    const Array<MediaNode*>& children = folder.Children();
    std::vector<int32_t> order(static_cast<size_t>(children.Count()));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int32_t>(i);
    for (int pass = 0; pass < 3; ++pass)
        ShufflePass(order);
    Report(request, "Play folder random", "playing folder random '" + folder.Name() + "'");
    TextBuilder body(4096);
    body.Append("#EXTM3U\r\n");
    for (int32_t i : order)
        if (children.At(i)->IsPlayable())
            AppendLink(body, request, *children.At(i));
    SendFolderAnswer(folder, request, 'M', body);
}

void SendAnyRandom(FolderNode& folder, HttpRequest& request) {
    constexpr int Draws = 20;
    constexpr int Tries = 1000;
    const NodeTree& tree = *request.tree;
    TextBuilder body(4096);
    body.Append("#EXTM3U\r\n");
    Report(request, "Play any random", "playing any random '");
    for (int draw = 0; draw < Draws; ++draw) {
        const MediaNode* song = nullptr;
        for (int tries = 1; !song; ++tries) {
            // A library (almost) without songs gets no playlist; the
            // connection ends instead of waiting for an answer.
            if (tries == Tries || tree.Count() == 0) {
                request.closeConnection = true;
                return;
            }
            const MediaNode* node = tree.At(std::rand() % tree.Count());
            if (node->IsSong())
                song = node;
        }
        AppendTitle(body, static_cast<const SongNode&>(*song));
        AppendLink(body, request, *song);
    }
    SendFolderAnswer(folder, request, 'N', body);
}

} // namespace tb
