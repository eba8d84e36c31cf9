#include "server/ResponseHeaders.h"

#include "core/DateTime.h"

#include <sys/stat.h>

namespace tb {
String Ok200(int64_t length, const String& tag, const char* contentType) {
    return String::Format("HTTP/1.1 200 OK\r\n"
                          "Accept-Ranges: bytes\r\n"
                          "Cache-Control: private\r\n"
                          "Content-Length:%lld\r\n"
                          "ETag: \"%s\"\r\n"
                          "Content-Type: %s\r\n"
                          "\r\n",
                          static_cast<long long>(length), tag.c_str(), contentType);
}

String Html200(int32_t length, const String& tag) {
    return Ok200(length, tag, "text/html");
}

String Xml200(int32_t length, const String& tag) {
    return Ok200(length, tag, "text/xml");
}

String Gif200(int32_t length, const String& tag) {
    return Ok200(length, tag, "image/gif");
}

String Jpg200(int32_t length, const String& tag) {
    return Ok200(length, tag, "image/jpg");
}

String NotModified304(const String& date, const String& tag) {
    return String::Format("HTTP/1.1 304 Not modified\r\nDate: %s\r\nETag: \"%s\"\r\n\r\n",
                          date.c_str(), tag.c_str());
}

String Unauthorized401(int32_t length) {
    return String::Format("HTTP/1.1 401 Not authorized\r\n"
                          "Accept-Ranges: bytes\r\n"
                          "Content-Length:%d\r\n"
                          "WWW-Authenticate: BASIC realm=\"StreamServerWeb\"\r\n"
                          "Content-Type: text/html\r\n"
                          "\r\n",
                          length);
}

String FileETag(const char* path) {
    struct stat info {};
    DateTime written(uint64_t{0});
    uint32_t size = 0;
    if (stat(path, &info) == 0) {
        written = DateTime::FromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
        size = static_cast<uint32_t>(info.st_size);
    }
    return written.TimeTag() + "x" + String::FromUnsigned(size);
}

} // namespace tb
