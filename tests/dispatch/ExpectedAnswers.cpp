#include "dispatch/ExpectedAnswers.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

namespace tb::test {

const char* const ServerEntryBody =
    "<contentdataset><contentdata><name>Tune Bridge</name><nodeid>1</nodeid><branch/>"
    "</contentdata><totnumelem>1</totnumelem><fromindex>0</fromindex><numelem>1</numelem>"
    "</contentdataset>";
const char* const ForbiddenBody =
    "<contentdataset><contentdata><name>Access forbidden!</name><nodeid>1</nodeid><branch/>"
    "</contentdata><totnumelem>1</totnumelem><fromindex>0</fromindex><numelem>1</numelem>"
    "</contentdataset>";

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr uint64_t EpochDifference = 11644473600ULL;

} // namespace

std::string Xml200Answer(const std::string& body, const std::string& tag) {
    return "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
           "Content-Length:" +
           std::to_string(body.size()) + "\r\nETag: \"" + tag +
           "\"\r\nContent-Type: text/xml\r\n\r\n" + body;
}

std::string HttpDate(uint64_t fileTime) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    time_t seconds = static_cast<time_t>(fileTime / 10000000 - EpochDifference);
    tm t{};
    gmtime_r(&seconds, &t);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %d:%d:%d GMT", days[t.tm_wday], t.tm_mday,
                  months[t.tm_mon], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string TimeTag(uint64_t fileTime) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(fileTime));
    return text;
}

std::string FileTag(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return "0000000000000000x0";
    uint64_t fileTime = (static_cast<uint64_t>(info.st_mtim.tv_sec) + EpochDifference) * 10000000 +
                        static_cast<uint64_t>(info.st_mtim.tv_nsec) / 100;
    return TimeTag(fileTime) + "x" + std::to_string(static_cast<uint32_t>(info.st_size));
}

std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::string Listing(const std::string& items, int total, int from, int count) {
    return "<contentdataset>" + items + "<totnumelem>" + std::to_string(total) +
           "</totnumelem><fromindex>" + std::to_string(from) + "</fromindex><numelem>" +
           std::to_string(count) + "</numelem><alphanumeric/></contentdataset>";
}

std::string FolderItem(const std::string& name, int wireId, bool belowFirstLevel) {
    return "<contentdata><branch/><name>" + name + (belowFirstLevel ? "\x8F" : "") +
           "</name><nodeid>" + std::to_string(wireId) + "</nodeid></contentdata>";
}

std::string RandomStreamItem(int wireId) {
    return "<contentdata><branch/><name>[Random stream]</name><nodeid>" + std::to_string(wireId) +
           "</nodeid></contentdata>";
}

std::string SongItem(const std::string& name, int wireId, const std::string& streamUrl,
                     const SongTags& tags) {
    return "<contentdata><name>" + name + "</name><nodeid>" + std::to_string(wireId) +
           "</nodeid><playable/><url>" + streamUrl + "</url><title>" + tags.title +
           "</title><album>" + tags.album + "</album><trackno>" + tags.track +
           "</trackno><artist>" + tags.artist + "</artist><genre>" + tags.genre + "</genre><year>" +
           tags.year + "</year><bitrate>" + tags.bitrate + "</bitrate><playlength>" + tags.length +
           "</playlength></contentdata>";
}

std::vector<int> Shuffle(uint32_t seed, int count) {
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        order[static_cast<size_t>(i)] = i;
    srand(seed);
    for (int i = 0; i < count; ++i)
        std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(rand() % count)]);
    return order;
}

std::vector<int> NodeIds(const std::string& body) {
    std::vector<int> ids;
    const std::string open = "<nodeid>";
    for (size_t at = body.find(open); at != std::string::npos; at = body.find(open, at + 1))
        ids.push_back(std::atoi(body.c_str() + at + open.size()));
    return ids;
}

std::string Id3v1(const std::string& title, const std::string& artist, const std::string& album,
                  const std::string& year, unsigned char track, unsigned char genre) {
    auto field = [](std::string text, size_t width) {
        text.resize(width, ' ');
        return text;
    };
    std::string comment(30, '\0');
    comment[29] = static_cast<char>(track);
    return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
           comment + std::string(1, static_cast<char>(genre));
}

std::string PostText(const std::string& identity, const std::string& body, int port) {
    return "POST /nav_data?eui64=" + identity +
           " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string DeviceGetText(const std::string& target, int port, const std::string& moreHeaders) {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nUser-Agent: Streamium/1.0\r\n" + moreHeaders + "\r\n";
}

std::string BodyOf(const std::string& answer) {
    size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

std::string HeaderOf(const std::string& answer) {
    size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? answer : answer.substr(0, end + 4);
}

} // namespace tb::test
