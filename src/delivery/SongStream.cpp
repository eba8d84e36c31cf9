// A song played to a device or browser, or downloaded as a file.
#include "core/ActivityLog.h"
#include "core/Exceptions.h"
#include "core/FileDescriptor.h"
#include "core/Socket.h"
#include "delivery/FileCopy.h"
#include "delivery/HeaderText.h"
#include "library/Mp3Info.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"
#include "web/UserList.h"

#include <stdexcept>
#include <unistd.h>

namespace tb {
namespace {

const char* const ReindexAdvice = "'. \r\nIf file has moved please reindex, otherwise make sure it "
                                  "is not in use by another application.";

// Sends the header and the file; the node must not be used any more. The
// user's status and flag are put right however the copy ends.
void SendAnswer(HttpRequest& request, const RegularFile& file, const String& header, int64_t length,
                const char* status, const char* done,
                void (UserList::*flag)(const UserList::Entry&, bool)) {
    bool complete = false;
    try {
        request.socket->Write(header);
        complete = CopyFileToClient(request, file.fd.Get(), length, status);
    } catch (...) {
        (request.users->*flag)(request.user, false);
        request.users->SetStatus(StatusKey(request), done, 10);
        throw;
    }
    (request.users->*flag)(request.user, false);
    request.users->SetStatus(StatusKey(request), done, 10);
    // The announced length cannot be kept: end the connection.
    if (!complete)
        throw std::runtime_error("song file ended early");
}

} // namespace

void SongNode::WebAction(HttpRequest& request, char action) {
    if (action == 'P')
        Play(request);
    else if (action == 'Z')
        Download(request);
}

void SongNode::Play(HttpRequest& request) {
    const Mp3Info* info = nullptr;
    try {
        info = &GetInfo();
    } catch (const GeneralException&) {
        request.log->AddLine("Error opening file '" + path_ + ReindexAdvice);
        return;
    }
    String title = info->Artist() + " - " + info->Album() + " - " + info->Title();
    if (title == " -  - ")
        title = BaseName();
    String etag = GetETag(request, 'P');
    RegularFile file = OpenRegularFile(path_.c_str());
    if (!file.fd.IsOpen())
        return;
    request.users->SetStatus(StatusKey(request), "Playing", 5);
    auto [start, length] = RangeOf(file.size, request.rangeStart);
    ::lseek(file.fd.Get(), start, SEEK_SET);
    request.users->SetPlaying(request.user, true);
    request.log->AddLine("[" + request.users->NameOf(request.user) + "]: playing '" +
                         DisplayPath() + "'");
    String header =
        String::Format("HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                       "Content-Length: %lld\r\nContent-type: audio/mp3\r\nicy-name: %s\r\n"
                       "ETag: \"%s\"\r\n\r\n",
                       static_cast<long long>(length), HeaderText(title).c_str(), etag.c_str());
    // Everything needed is taken: from here on the tree may be rebuilt.
    request.tree.reset();
    SendAnswer(request, file, header, length, "Playing", "Playing done", &UserList::SetPlaying);
}

void SongNode::Download(HttpRequest& request) {
    try {
        GetInfo();
    } catch (const GeneralException&) {
        request.log->AddLine("Error opening file '" + path_ + ReindexAdvice);
        return;
    }
    String etag = GetETag(request, 'Z');
    RegularFile file = OpenRegularFile(path_.c_str());
    if (!file.fd.IsOpen()) {
        request.log->AddLine("Error downloading file '" + path_ + ReindexAdvice);
        return;
    }
    request.users->SetStatus(StatusKey(request), "Download", 5);
    auto [start, length] = RangeOf(file.size, request.rangeStart);
    ::lseek(file.fd.Get(), start, SEEK_SET);
    request.users->SetDownloading(request.user, true);
    request.log->AddLine("[" + request.users->NameOf(request.user) + "]: downloading '" +
                         DisplayPath() + "'");
    String header = String::Format(
        "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
        "Server: xs/1.0\r\nContent-Disposition: attachment; filename=%s.mp3\r\n"
        "Content-Length:%lld\r\nETag: \"%s\"\r\n"
        "Content-type: application/octet-stream\r\n\r\n",
        HeaderText(BaseName()).c_str(), static_cast<long long>(length), etag.c_str());
    request.tree.reset();
    SendAnswer(request, file, header, length, "Download", "Download done",
               &UserList::SetDownloading);
}

} // namespace tb
