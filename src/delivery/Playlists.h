#pragma once

namespace tb {

class FolderNode;
class RandomStreamNode;
class SongNode;
struct HttpRequest;

// One-entry m3u playlists that point a player back at the node's "P" URL.
void SendSongPlaylist(SongNode& song, HttpRequest& request);
void SendRandomStreamPlaylist(RandomStreamNode& stream, HttpRequest& request);

// The folder's playable children in order ("L"), with the songs' titles.
void SendFolderPlaylist(FolderNode& folder, HttpRequest& request);
// The folder's playable children shuffled ("M"), with the C library's
// generator.
void SendFolderShuffle(FolderNode& folder, HttpRequest& request);
// Twenty songs drawn from the whole library ("N"); nothing is sent when a
// draw finds no song in 999 tries.
void SendAnyRandom(FolderNode& folder, HttpRequest& request);

} // namespace tb
