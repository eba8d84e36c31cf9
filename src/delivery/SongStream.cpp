// A song played to a device or browser, or downloaded as a file: the same
// steps with their own texts, flag and header.
#include "core/ActivityLog.h"
#include "core/FileDescriptor.h"
#include "core/Socket.h"
#include "delivery/FileCopy.h"
#include "delivery/HeaderText.h"
#include "delivery/SongAnswers.h"
#include "library/Mp3Info.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"
#include "web/UserList.h"

#include <stdexcept>
#include <unistd.h>

namespace tb {
namespace {

struct Delivery {
    const char* status;  // while the bytes go out
    const char* done;    // afterwards, however it ended
    const char* logVerb; // "[name]: <verb> 'path'"
    const char* problem; // logged when the file cannot be opened; null: silence
    void (UserList::*flag)(const UserList::Entry&, bool);
    String (*header)(const SongNode&, const Mp3Info&, int64_t length, const String& etag);
};

String PlayHeader(const SongNode& song, const Mp3Info& info, int64_t length, const String& etag) {
    String title = info.Artist() + " - " + info.Album() + " - " + info.Title();
    if (title == " -  - ")
        title = song.BaseName();
    return String::Format("HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                          "Content-Length: %lld\r\nContent-type: audio/mp3\r\nicy-name: %s\r\n"
                          "ETag: \"%s\"\r\n\r\n",
                          static_cast<long long>(length), HeaderText(title).c_str(), etag.c_str());
}

String DownloadHeader(const SongNode& song, const Mp3Info&, int64_t length, const String& etag) {
    return String::Format("HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                          "Server: xs/1.0\r\nContent-Disposition: attachment; filename=%s.mp3\r\n"
                          "Content-Length:%lld\r\nETag: \"%s\"\r\n"
                          "Content-type: application/octet-stream\r\n\r\n",
                          HeaderText(song.BaseName()).c_str(), static_cast<long long>(length),
                          etag.c_str());
}

const Delivery Playing{"Playing", "Playing done",        "playing",
                       nullptr,   &UserList::SetPlaying, &PlayHeader};
const Delivery Downloading{"Download",    "Download done",           "downloading",
                           "downloading", &UserList::SetDownloading, &DownloadHeader};

// Sends the header and the file. The user's status and flag are put right
// however the copy ends; a file that ends early ends the connection, since
// the announced length cannot be kept.
void Send(HttpRequest& request, const RegularFile& file, const String& header, int64_t length,
          const Delivery& how) {
    auto settle = [&] {
        (request.users->*how.flag)(request.user, false);
        request.users->SetStatus(StatusKey(request), how.done, 10);
    };
    bool complete = false;
    try {
        request.socket->Write(header);
        complete = CopyFileToClient(request, file.fd.Get(), length, how.status);
    } catch (...) {
        settle();
        throw;
    }
    settle();
    if (!complete)
        throw std::runtime_error("song file ended early");
}

void Deliver(SongNode& song, HttpRequest& request, const Delivery& how) {
    const Mp3Info* info = song.TryGetInfo();
    if (!info) {
        request.log->AddLine(SongFileProblem("opening", song));
        return;
    }
    String etag = song.GetETag(request, 'P');
    RegularFile file = OpenRegularFile(song.Path().c_str());
    if (!file.fd.IsOpen()) {
        if (how.problem)
            request.log->AddLine(SongFileProblem(how.problem, song));
        return;
    }
    request.users->SetStatus(StatusKey(request), how.status, 5);
    auto [start, length] = RangeOf(file.size, request.rangeStart);
    ::lseek(file.fd.Get(), start, SEEK_SET);
    (request.users->*how.flag)(request.user, true);
    request.log->AddLine("[" + request.users->NameOf(request.user) + "]: " + how.logVerb + " '" +
                         song.DisplayPath() + "'");
    String header = how.header(song, *info, length, etag);
    // Everything needed is taken: from here on the tree may be rebuilt.
    request.tree.reset();
    Send(request, file, header, length, how);
}

} // namespace

void PlaySong(SongNode& song, HttpRequest& request) {
    Deliver(song, request, Playing);
}

void DownloadSong(SongNode& song, HttpRequest& request) {
    Deliver(song, request, Downloading);
}

} // namespace tb
