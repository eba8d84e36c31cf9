#pragma once

#include "core/String.h"
#include "core/TextBuilder.h"

namespace tb {

class ActivityLog;
class SongNode;
struct HttpRequest;

// What a song answers: its item in a device listing (made once, then kept
// by the node), its stream ("P") and its download as a file ("Z").
void AppendSongItem(SongNode& song, HttpRequest& request, TextBuilder& listing);
void PlaySong(SongNode& song, HttpRequest& request);
void DownloadSong(SongNode& song, HttpRequest& request);

// The line logged when a song's file cannot be used; `what` is "opening"
// or "downloading".
String SongFileProblem(const char* what, const SongNode& song);

} // namespace tb
