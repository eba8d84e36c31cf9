#include "covers/SiteClient.h"

#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/HttpUrl.h"
#include "core/IPAddress.h"
#include "core/Socket.h"
#include "covers/CrawlerException.h"

namespace tb {

String SiteClient::Request(const String& path, const String& host, const String& referer) {
    return "GET " + path + " HTTP/1.1\r\nHost: " + host +
           "\r\nAccept: image/gif, image/jpeg, */*\r\nAccept-Language: en\r\n"
           "Accept-Encoding: gzip, deflate\r\nReferer: " +
           referer +
           "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0)\r\nConnection: keep-alive\r\n\r\n";
}

SiteAnswer SiteClient::Get(const String& url, size_t limit) {
    HttpUrl parts = SplitHttpUrl(url);
    std::optional<uint16_t> port = PortOf(parts);
    std::optional<IPAddress> server =
        port ? IPAddress::Resolve(parts.host.c_str(), *port) : std::nullopt;
    if (!server || server->Address() == 0 || quit_.IsSet())
        throw DizerOviziraObjectException();
    try {
        Socket socket(timeoutMs_);
        socket.Connect(*server);
        if (quit_.IsSet())
            throw DizerOviziraObjectException();
        socket.Write(Request(parts.path, parts.host, referer_));
        referer_ = url;
        SiteAnswer answer = ReadSiteAnswer(socket, limit);
        if (quit_.IsSet())
            throw DizerOviziraObjectException();
        return answer;
    } catch (const SocketException&) {
        throw DizerOviziraObjectException();
    }
}

} // namespace tb
