#include "delivery/RandomStream.h"

#include "core/ActivityLog.h"
#include "core/Event.h"
#include "core/FileDescriptor.h"
#include "core/LeadingInteger.h"
#include "core/Socket.h"
#include "delivery/FileCopy.h"
#include "delivery/HeaderText.h"
#include "delivery/IcyMetadataWriter.h"
#include "delivery/SongAnswers.h"
#include "library/Mp3Info.h"
#include "library/RandomStreamNode.h"
#include "library/ShareInfo.h"
#include "library/SongNode.h"
#include "server/HttpRequest.h"
#include "web/TemplateText.h"
#include "web/UserList.h"

#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace tb {
namespace {

constexpr const char* Status = "Playing random";
constexpr int ChunksPerCheck = 5;

// "artist / title <m:ss>", with what the tag lacks left out.
String SongText(const SongNode& song) {
    const Mp3Info* info = song.TryGetInfo();
    String artist = info ? info->Artist() : String();
    String title = info ? info->Title() : String();
    String text = !artist.IsEmpty() && !title.IsEmpty() ? artist + " / " + title
                  : !artist.IsEmpty()                   ? artist
                  : !title.IsEmpty()                    ? title
                                                        : song.Name();
    int32_t seconds = info ? LeadingInteger(info->Length().View()) : 0;
    return text + " <" + FormatDuration(seconds) + ">";
}

String Header(const HttpRequest& request, const SongNode& song, const String& etag) {
    String name = request.serverName + ": " + (song.Share() ? song.Share()->name : String());
    String header = "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                    "Content-type: audio/mp3\r\nicy-name: " +
                    HeaderText(name) + "\r\nETag: \"" + etag + "\"\r\n";
    if (request.wantsMetadata)
        header += String::Format("icy-metaint: %d\r\n", IcyMetadataWriter::Interval);
    return header + "\r\n";
}

// Copies the whole file; false when the server is quitting.
bool CopySong(HttpRequest& request, int fd, const String& text, IcyMetadataWriter& metadata) {
    char buffer[IcyMetadataWriter::Interval];
    int32_t readSize = IcyMetadataWriter::Interval;
    String key = StatusKey(request);
    for (int chunk = 0;; ++chunk) {
        if (chunk % ChunksPerCheck == 0 && chunk > 0) {
            if (request.quitEvent && request.quitEvent->IsSet())
                return false;
            request.users->SetStatus(key, Status, 5);
        }
        ssize_t n = ::read(fd, buffer, static_cast<size_t>(readSize));
        if (n <= 0)
            return true;
        if (request.wantsMetadata)
            readSize = metadata.Write(*request.socket, buffer, static_cast<int32_t>(n), text);
        else
            request.socket->Write(buffer, static_cast<int32_t>(n));
    }
}

} // namespace

// The songs stay alive with the tree the request holds, for as long as the
// stream runs.
void PlayRandomStream(RandomStreamNode& stream, HttpRequest& request) {
    request.closeConnection = true;
    const Array<SongNode*>& songs = stream.Songs();
    if (songs.Count() == 0)
        return;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    IcyMetadataWriter metadata;
    for (bool first = true;; first = false) {
        request.users->SetStatus(StatusKey(request), Status, 5);
        const SongNode& song = *songs.At(std::rand() % songs.Count());
        String text = SongText(song);
        String etag = stream.GetETag(request, 'P');
        RegularFile file = OpenRegularFile(song.Path().c_str());
        if (!file.fd.IsOpen()) {
            request.log->AddLine(SongFileProblem("opening", song));
            return;
        }
        request.log->AddLine("[" + request.users->NameOf(request.user) + "]: Playing '" +
                             song.DisplayPath() + "'");
        if (first)
            request.socket->Write(Header(request, song, etag));
        if (!CopySong(request, file.fd.Get(), text, metadata))
            return;
    }
}

} // namespace tb
