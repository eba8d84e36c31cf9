#pragma once

namespace tb {

class RandomStreamNode;
class SongNode;
struct HttpRequest;

// One-entry m3u playlists that point a player back at the node's "P" URL.
void SendSongPlaylist(SongNode& song, HttpRequest& request);
void SendRandomStreamPlaylist(RandomStreamNode& stream, HttpRequest& request);

} // namespace tb
