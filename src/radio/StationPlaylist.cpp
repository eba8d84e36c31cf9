#include "radio/StationPlaylist.h"

#include "core/Socket.h"
#include "core/TextBuilder.h"
#include "delivery/HeaderText.h"
#include "server/HttpRequest.h"

namespace tb {

void SendStationPlaylist(HttpRequest& request,
                         const std::vector<std::pair<String, String>>& entries, const String& tag) {
    TextBuilder body(256);
    body.Append("[playlist]\r\nnumberofentries=")
        .AppendNumber(static_cast<int32_t>(entries.size()))
        .Append("\r\n");
    int32_t k = 0;
    for (const auto& [url, title] : entries) {
        ++k;
        // A line break in a text must not add entries of its own.
        body.Append("File").AppendNumber(k).Append("=").Append(HeaderText(url)).Append("\r\n");
        body.Append("Title").AppendNumber(k).Append("=").Append(HeaderText(title)).Append("\r\n");
        body.Append("Length").AppendNumber(k).Append("=-1\r\n");
    }
    String text = body.Finish();
    String header = String::Format("HTTP/1.1 200 OK\r\n"
                                   "Accept-Ranges: bytes\r\n"
                                   "Cache-Control: private\r\n"
                                   "Content-Length:%d\r\n"
                                   "Content-Disposition: inline; filename=song.pls\r\n"
                                   "ETag: \"%s\"\r\n"
                                   "Content-Type: audio/x-scpls\r\n"
                                   "\r\n",
                                   text.Length(), tag.c_str());
    request.socket->Write(header, text);
}

} // namespace tb
