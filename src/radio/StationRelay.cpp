#include "radio/StationRelay.h"

#include "core/ActivityLog.h"
#include "core/Event.h"
#include "core/LeadingInteger.h"
#include "core/Socket.h"
#include "delivery/FileCopy.h"
#include "radio/IcyStreamReader.h"
#include "server/HttpRequest.h"
#include "web/UserList.h"

#include <strings.h>

namespace tb {
namespace {

constexpr int MaxRedirects = 5;
constexpr int ReceivesPerQuitCheck = 5;
constexpr int32_t BufferSize = 5000;
constexpr int32_t LowWater = 4096;

String UserName(const HttpRequest& request) {
    return request.users->NameOf(request.user);
}

// Sends every chunk the reader has; logs the title when a completed block
// brings a new one.
void PassChunks(HttpRequest& request, IcyStreamReader& reader, String& lastMetadata) {
    std::pair<const char*, size_t> chunk;
    bool complete = false;
    for (bool more = true; more;) {
        more = reader.NextChunk(chunk, complete);
        if (chunk.second > 0)
            request.socket->Write(chunk.first, static_cast<int32_t>(chunk.second));
        if (!complete || reader.Metadata() == lastMetadata)
            continue;
        lastMetadata = reader.Metadata();
        std::pair<String, String> pairs[5];
        int32_t count = ParseMetadataPairs(lastMetadata, pairs, 5);
        // The zero bytes that pad a block are no part of its text.
        String title(lastMetadata.View().substr(0, lastMetadata.View().find('\0')));
        for (int32_t i = 0; i < count; ++i)
            if (strcasecmp(pairs[i].first.c_str(), "StreamTitle") == 0) {
                title = pairs[i].second;
                break;
            }
        request.log->AddLine("[" + UserName(request) + "]: listening to '" + title + "'");
        request.users->SetStatus(StatusKey(request), "Playing", 0);
    }
}

void Relay(HttpRequest& request, const String& url, const String& etag, int redirectsLeft) {
    HttpUrl parts = SplitHttpUrl(url);
    auto port = static_cast<uint16_t>(LeadingInteger(parts.port.View()));
    std::optional<IPAddress> address = IPAddress::Resolve(parts.host.c_str(), port);
    if (!address)
        return;
    Socket station(request.stationTimeoutSeconds * 1000);
    station.Connect(*address);
    station.Write(StationRequest(parts));
    IcyStreamReader reader;
    char buffer[BufferSize];
    while (reader.FeedHeader(buffer, static_cast<size_t>(station.Read(buffer, BufferSize)))) {
    }
    if (reader.HeaderTooLong())
        return;
    if (reader.Status() != 200 && !reader.Location().IsEmpty()) {
        if (redirectsLeft == 0) {
            request.log->AddLine("[" + UserName(request) + "]: not redirected to " +
                                 reader.Location() + ": too many redirects");
            return;
        }
        request.log->AddLine("[" + UserName(request) + "]: redirected to " + reader.Location());
        station.Close();
        Relay(request, reader.Location(), etag, redirectsLeft - 1);
        return;
    }
    request.socket->Write("HTTP/1.1 203 Partial Content\r\nAccept-Ranges: bytes\r\n"
                          "Server: xs/1.0\r\nDate: Thu, 21 Nov 2002 20:40:27 GMT\r\n"
                          "Content-type: audio/mpeg\r\nETag: " +
                          etag + "\r\n\r\n");
    String lastMetadata;
    PassChunks(request, reader, lastMetadata);
    // Stations send their audio a frame (a few hundred bytes) at a time;
    // waking for each would cost a relay twice what the station's own
    // server spends on a listener. A quarter second of 128 kbit/s costs a
    // player nothing: it buffers seconds.
    station.SetReceiveLowWater(LowWater);
    for (int receives = 0;;) {
        if (++receives == ReceivesPerQuitCheck) {
            receives = 0;
            if (request.quitEvent && request.quitEvent->IsSet())
                break;
        }
        reader.SetInput(buffer, static_cast<size_t>(station.Read(buffer, BufferSize)));
        PassChunks(request, reader, lastMetadata);
    }
    station.Close();
}

} // namespace

void RelayStation(HttpRequest& request, const String& url, const String& etag) {
    Relay(request, url, etag, MaxRedirects);
}

} // namespace tb
