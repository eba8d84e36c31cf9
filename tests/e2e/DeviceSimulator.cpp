#include "DeviceSimulator.h"

#include "support/LoopbackClient.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sys/stat.h>

namespace tb::test {
namespace {

using namespace std::chrono_literals;

// Long enough for a slow (sanitized) server under load; only a hang hits it.
constexpr auto AnswerTimeout = 60s;

std::string BrowseBody(int nodeId, long long from, long long window,
                       const std::string& superScroll) {
    std::string body = "<Request><NodeID>" + std::to_string(nodeId) + "</NodeID><fromindex>" +
                       std::to_string(from) + "</fromindex><numelem>" + std::to_string(window) +
                       "</numelem>";
    if (!superScroll.empty())
        body += "<superScroll>" + superScroll + "</superScroll>";
    return body + "</Request>";
}

bool IsTimeTag(const std::string& text) {
    return text.size() == 16 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

long long ExpectedCount(long long total, long long from, long long window) {
    return std::min(window, total - from);
}

std::string FileTimeTag(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return "";
    unsigned long long ticks =
        (static_cast<unsigned long long>(info.st_mtim.tv_sec) + 11644473600ULL) * 10000000ULL +
        static_cast<unsigned long long>(info.st_mtim.tv_nsec) / 100;
    char tag[17];
    std::snprintf(tag, sizeof tag, "%016llx", ticks);
    return tag;
}

std::string Printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

DeviceSimulator::DeviceSimulator(int port, std::string eui64)
    : port_(port), eui64_(std::move(eui64)) {}

std::string DeviceSimulator::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::string DeviceSimulator::StreamUrl(int nodeId) const {
    char id[9];
    std::snprintf(id, sizeof id, "%08x", static_cast<unsigned>(nodeId));
    return BaseUrl() + eui64_ + "." + id;
}

void DeviceSimulator::Problem(const std::string& text) {
    problems_.push_back("[" + eui64_ + "] " + Printable(text));
}

std::string DeviceSimulator::Exchange(const std::string& request) {
    ++requests_;
    LoopbackClient client(port_);
    if (!client.Send(request)) {
        Problem("request not sent: " + request.substr(0, 60));
        return "";
    }
    return client.ReadFor(AnswerTimeout);
}

DeviceHttpAnswer DeviceSimulator::Post(const std::string& xml) {
    std::string request = "POST /?eui64=" + eui64_ +
                          " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                          "\r\nUser-Agent: Streamium/1.0\r\nContent-Type: text/xml\r\n"
                          "Content-Length: " +
                          std::to_string(xml.size()) + "\r\n\r\n" + xml;
    return DeviceHttpAnswer::Parse(Exchange(request));
}

DevicePage DeviceSimulator::Browse(int nodeId, long long from, long long window,
                                   const std::string& superScroll) {
    DevicePage page;
    page.http = Post(BrowseBody(nodeId, from, window, superScroll));
    if (const std::string* etag = page.http.Header("ETag"))
        if (etag->size() >= 2 && etag->front() == '"' && etag->back() == '"')
            page.etag = etag->substr(1, etag->size() - 2);
    if (!page.http.Complete())
        page.error = "incomplete answer: " + page.http.Describe();
    else
        page.data = DeviceContentData::Parse(page.http.body, page.error);
    return page;
}

DeviceHttpAnswer DeviceSimulator::Stream(const std::string& url, long long rangeStart) {
    std::string base = BaseUrl();
    std::string path = url.compare(0, base.size(), base) == 0 ? url.substr(base.size() - 1) : "";
    if (path.empty()) {
        Problem("stream URL not below " + base + ": " + url);
        return {};
    }
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                          "\r\nUser-Agent: Streamium/1.0\r\n";
    if (rangeStart >= 0)
        request += "Range: bytes=" + std::to_string(rangeStart) + "-\r\n";
    return DeviceHttpAnswer::Parse(Exchange(request + "\r\n"));
}

void DeviceSimulator::StreamAndHangUp(const std::string& url, std::chrono::milliseconds wait) {
    std::string base = BaseUrl();
    if (url.compare(0, base.size(), base) != 0)
        return;
    ++requests_;
    LoopbackClient client(port_);
    if (!client.Send("GET " + url.substr(base.size() - 1) +
                     " HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n\r\n")) {
        Problem("stream request not sent: " + url);
        return;
    }
    client.ReadResponse(wait);
}

bool DeviceSimulator::CheckPage(const DevicePage& page, long long from, long long window,
                                const std::string& what, bool changingTree) {
    if (!page.data) {
        if (!changingTree || !page.http.raw.empty())
            Problem(what + ": " + page.error);
        return false;
    }
    const DeviceContentData& d = *page.data;
    std::string counts = " (totnumelem " + std::to_string(d.total) + ", fromindex " +
                         std::to_string(d.from) + ", numelem " + std::to_string(d.count) +
                         ", asked from " + std::to_string(from) + " window " +
                         std::to_string(window) + ")";
    bool ok = true;
    if (page.http.statusLine != "HTTP/1.1 200 OK" || !IsTimeTag(page.etag) ||
        !page.http.Header("Content-Type") || *page.http.Header("Content-Type") != "text/xml") {
        Problem(what + ": unexpected header " + page.http.raw.substr(0, 200));
        ok = false;
    }
    if (d.total < 0 || d.from != from || d.count != ExpectedCount(d.total, from, window)) {
        Problem(what + ": counts break the paging rule" + counts);
        ok = false;
    }
    long long items = static_cast<long long>(d.items.size());
    long long expected = std::max(0LL, d.count);
    if (items > expected || (items < expected && !changingTree)) {
        Problem(what + ": " + std::to_string(items) + " items" + counts);
        ok = false;
    }
    return ok;
}

std::optional<DeviceListing> DeviceSimulator::List(int nodeId, bool randomStream,
                                                   const std::string& what, bool changingTree) {
    DeviceListing listing;
    std::set<int> seen;
    for (long long from = 0;;) {
        long long window = NextWindow();
        DevicePage page = Browse(nodeId, from, window);
        std::string where = what + " page at " + std::to_string(from);
        if (!CheckPage(page, from, window, where, changingTree))
            return std::nullopt;
        const DeviceContentData& d = *page.data;
        if (from == 0) {
            listing.total = d.total;
            listing.etag = page.etag;
        } else if (page.etag != listing.etag) {
            listing.oneTree = false;
            if (!changingTree)
                Problem(where + ": the index changed between pages");
        } else if (d.total != listing.total) {
            Problem(where + ": totnumelem " + std::to_string(d.total) + " after " +
                    std::to_string(listing.total) + " on the same index");
            return std::nullopt;
        }
        for (const DeviceItem& item : d.items) {
            if (randomStream && listing.oneTree && !seen.insert(item.nodeId).second)
                Problem(where + ": song " + std::to_string(item.nodeId) + " listed again");
            listing.items.push_back(item);
        }
        if (d.count <= 0 || from + d.count >= d.total)
            break;
        from += d.count;
    }
    return listing;
}

} // namespace tb::test
