#pragma once

// One cover site played on loopback for the crawler's tests: every one of
// the five procedures finds "Lumen Vale - Night Harbour" (site n's picture
// is Picture(n)) among decoys; an unknown path is a 404.
#include "support/ScriptedServer.h"

#include <cstdio>
#include <map>
#include <string>
#include <zlib.h>

namespace tb::test {

inline std::string Picture(int seed) {
    std::string bytes(5000 + seed * 100, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 31 + seed * 7) % 256);
    return "\xFF\xD8" + bytes;
}

// `text` deflated in the format `windowBits` selects (zlib, raw, gzip).
inline std::string Compress(const std::string& text, int windowBits) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    std::string out(compressBound(static_cast<uLong>(text.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

inline std::string Gzip(const std::string& text) {
    return Compress(text, 16 + MAX_WBITS);
}

inline std::string Ok(const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 200 OK\r\n" + extra + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

inline std::string Chunked(const std::string& body) {
    std::string out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (size_t at = 0; at < body.size(); at += 1000) {
        std::string piece = body.substr(at, 1000);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        out += size + piece + "\r\n";
    }
    return out + "0\r\n\r\n";
}

// The site: pages by request path; an unknown path is a 404.
class CoverSite {
public:
    std::map<std::string, std::string> answers;
    test::ScriptedServer server{
        test::ScriptedServer::RequestScript([this](const std::string& request) {
            std::string path = request.substr(4, request.find(' ', 4) - 4);
            auto found = answers.find(path);
            return found != answers.end() ? found->second
                                          : std::string("HTTP/1.1 404 Not Found\r\n\r\n");
        })};
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(server.Port()); }

    CoverSite() {
        std::string base = Base();
        answers["/searchcovers.php?q=Lumen+Vale"] =
            Ok("<td id=menu><b>Lumen Vale - Other</b><a href=\"/show?id=6\">Front</a>"
               "<td id=menu><b>Lumen Vale - Night Harbour</b><a href=\"/show?id=7\">Back</a>"
               "<td id=menu><b>Lumen Vale - Night Harbour</b> <a href=\"/show?id=8\"> Front</a>");
        answers["/show?id=8"] = Ok("<td class=letras align=center bgcolor=#FFFFFF><img src=\"" +
                                   base + "/pics/1.jpg\">");
        answers["/pics/1.jpg"] = Ok(Picture(1));
        answers["/covers/?adv=&artist=Lumen+Vale&album=Night+Harbour"] =
            Ok("<!-- RESULT ITEM START --><tr><td><a><img src=\"" + base +
               "/pics/no.jpg\">"
               "Artist:</b></td><td>Lumen Vale</td>Album:</b></td><td>Day Harbour</td>"
               "<!-- RESULT ITEM START --><tr><td><a><img src=\"" +
               base +
               "/pics/2.jpg\">"
               "Artist:</b></td><td>lumen vale</td>Album:</b></td><td>Night Harbour</td>");
        answers["/pics/2.jpg"] = Ok(Gzip(Picture(2)), "Content-Encoding: gzip\r\n");
        answers["/search.php?search=Lumen+Vale+Night+Harbour&cat=1"] = Ok(
            "<input type=\"hidden\" name=\"cat\" value=\"1\"><tr><td><a href=\"/det/2\">Lumen "
            "Vale - Night Harbour - Back</a><tr><td><a href=\"/det/3\">Lumen Vale - Night Harbour "
            "- Front</a>");
        answers["/det/3"] = Ok("Audio Covers<img src=\"" + base + "/pics/3.jpg\">");
        answers["/pics/3.jpg"] = Chunked(Picture(3));
        answers["/az/12.htm"] = Ok("Lumen Vale <a href=\"lumen/index.htm\">");
        answers["/az/lumen/index.htm"] = Ok("Lumen Vale_-_Night Harbour-front <a href=\"nh.jpg\">");
        answers["/az/lumen/nh.jpg"] = Ok(Picture(4));
        answers["/~dwenlow/cdcoverz/indexes/audio/l/index.html"] =
            Ok("Make your choice<select><option value=\"" + base +
               "/pics/0.jpg\">Lumen_Vale_-_Day-front"
               "</option><option value=\"" +
               base +
               "/pics/5.jpg\">Lumen_Vale_-_Night_Harbour-front"
               "</option>");
        answers["/pics/5.jpg"] = "HTTP/1.0 200 OK\r\n\r\n" + Picture(5); // to the close
    }
};

} // namespace tb::test
