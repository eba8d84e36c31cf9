#include "support/DeviceSimulator.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sys/stat.h>

namespace tb::test {
namespace {

// Reads a body front to back, the way the server writes it: fixed tags in
// a fixed order with raw text between them (the server escapes nothing).
struct Reader {
    const std::string& text;
    size_t pos = 0;

    bool Take(const std::string& literal) {
        if (text.compare(pos, literal.size(), literal) != 0)
            return false;
        pos += literal.size();
        return true;
    }
    // The text up to the closing tag of `tag`, which is consumed too.
    bool Text(const std::string& tag, std::string& out) {
        size_t end = 0;
        if (!Take("<" + tag + ">") || (end = text.find("</" + tag + ">", pos)) == std::string::npos)
            return false;
        out = text.substr(pos, end - pos);
        pos = end + tag.size() + 3;
        return true;
    }
    bool Number(const std::string& tag, long long& out) {
        std::string digits;
        if (!Text(tag, digits))
            return false;
        size_t sign = digits.rfind('-', 0) == 0 ? 1 : 0;
        if (digits.size() <= sign || digits.size() > 12 ||
            digits.find_first_not_of("0123456789", sign) != std::string::npos)
            return false;
        out = std::stoll(digits);
        return true;
    }
    // A folder, a song, or a radio station (<playable/> first, and only
    // its url, title, artist and genre).
    bool Item(DeviceItem& item) {
        const bool station = Take("<playable/>");
        item.folder = !station && Take("<branch/>");
        long long id = 0;
        if (!Text("name", item.name) || !Number("nodeid", id))
            return false;
        item.nodeId = static_cast<int>(id);
        item.marked = item.folder && !item.name.empty() && item.name.back() == '\x8F';
        if (item.marked)
            item.name.pop_back();
        if (!item.folder && !station && !Take("<playable/>"))
            return false;
        for (auto [tag, field] : {std::pair{"url", &item.url},
                                  {"title", &item.title},
                                  {"album", &item.album},
                                  {"trackno", &item.trackno},
                                  {"artist", &item.artist},
                                  {"genre", &item.genre},
                                  {"year", &item.year},
                                  {"bitrate", &item.bitrate},
                                  {"playlength", &item.playlength}}) {
            bool present =
                !item.folder && (!station || field == &item.url || field == &item.title ||
                                 field == &item.artist || field == &item.genre);
            if (present && !Text(tag, *field))
                return false;
        }
        return Take("</contentdata>");
    }
};

// Null when the body is not exactly a content data set; `error` says where
// it went wrong.
std::optional<DeviceContentData> ParseContentData(const std::string& body, std::string& error) {
    DeviceContentData data;
    Reader r{body};
    auto fail = [&](const char* what) {
        error = std::string(what) + " at byte " + std::to_string(r.pos);
        return std::nullopt;
    };
    if (!r.Take("<contentdataset>"))
        return fail("no <contentdataset>");
    while (r.Take("<contentdata>")) {
        if (!r.Item(data.items.emplace_back()))
            return fail("a malformed <contentdata> item");
    }
    if (!r.Number("totnumelem", data.total) || !r.Number("fromindex", data.from) ||
        !r.Number("numelem", data.count))
        return fail("malformed counts");
    if (!r.Take("<alphanumeric/></contentdataset>") || r.pos != body.size())
        return fail("a malformed end");
    return data;
}

} // namespace

std::string BrowseBody(const std::string& node, const std::string& from, const std::string& count,
                       const std::string& superScroll) {
    auto element = [](const char* tag, const std::string& text) {
        return text.empty() ? "" : "<" + std::string(tag) + ">" + text + "</" + tag + ">";
    };
    return "<Request>" + element("NodeID", node) + element("fromindex", from) +
           element("numelem", count) + element("superScroll", superScroll) + "</Request>";
}

std::string FirstProblems(const std::vector<std::string>& problems) {
    std::string text = std::to_string(problems.size()) + " problems:";
    for (size_t i = 0; i < problems.size() && i < 25; ++i)
        text += "\n  " + problems[i];
    return text;
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

std::string DeviceSimulator::StreamUrl(int nodeId) const {
    char id[9];
    std::snprintf(id, sizeof id, "%08x", static_cast<unsigned>(nodeId));
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + eui64_ + "." + id;
}

std::string DeviceSimulator::StreamTarget(const std::string& url) {
    std::string base = "http://127.0.0.1:" + std::to_string(port_);
    if (url.compare(0, base.size() + 1, base + "/") == 0)
        return url.substr(base.size());
    Problem("stream URL not below " + base + ": " + url);
    return "";
}

void DeviceSimulator::Problem(const std::string& text) {
    problems_.push_back("[" + Printable(eui64_.substr(0, 20)) + "] " + Printable(text));
}

std::string DeviceSimulator::Exchange(const std::string& request) {
    ++requests_;
    LoopbackClient client(port_, {source_, 0});
    if (!client.Send(request)) {
        Problem("request not sent: " + request.substr(0, 60));
        return "";
    }
    std::string answer;
    if (!client.WaitClosed(answerTimeout, &answer))
        Problem("the connection stayed open after " + request.substr(0, 60));
    return answer;
}

Answer DeviceSimulator::Post(const std::string& xml) {
    return Answer::Parse(Exchange("POST /?eui64=" + eui64_ +
                                  " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                                  "\r\nUser-Agent: Streamium/1.0\r\nContent-Type: text/xml\r\n"
                                  "Content-Length: " +
                                  std::to_string(xml.size()) + "\r\n\r\n" + xml));
}

DevicePage DeviceSimulator::Page(const std::string& xml) {
    DevicePage page;
    page.http = Post(xml);
    if (const std::string* etag = page.http.Header("ETag"))
        if (etag->size() >= 2 && etag->front() == '"' && etag->back() == '"')
            page.etag = etag->substr(1, etag->size() - 2);
    if (!page.http.Complete())
        page.error = "incomplete answer: " + page.http.Describe();
    else
        page.data = ParseContentData(page.http.body, page.error);
    return page;
}

DevicePage DeviceSimulator::Browse(int nodeId, long long from, long long window,
                                   const std::string& superScroll) {
    return Page(BrowseBody(std::to_string(nodeId), std::to_string(from), std::to_string(window),
                           superScroll));
}

Answer DeviceSimulator::Get(const std::string& target, const std::string& moreHeaders) {
    return Answer::Parse(Exchange("GET " + target +
                                  " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                                  "\r\nUser-Agent: Streamium/1.0\r\n" + moreHeaders + "\r\n"));
}

Answer DeviceSimulator::Stream(const std::string& url, long long rangeStart) {
    std::string target = StreamTarget(url);
    if (target.empty())
        return {};
    return Get(target,
               rangeStart < 0 ? "" : "Range: bytes=" + std::to_string(rangeStart) + "-\r\n");
}

void DeviceSimulator::StreamAndHangUp(const std::string& url, milliseconds wait) {
    std::string target = StreamTarget(url);
    if (target.empty())
        return;
    ++requests_;
    LoopbackClient client(port_, {source_, 0});
    client.Send("GET " + target + " HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n\r\n");
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
    if (page.http.status != "HTTP/1.1 200 OK" || page.etag.size() != 16 ||
        page.etag.find_first_not_of("0123456789abcdef") != std::string::npos ||
        page.http.Value("Content-Type") != "text/xml") {
        Problem(what + ": unexpected header " + page.http.raw.substr(0, 200));
        ok = false;
    }
    if (d.total < 0 || d.from != from || d.count != std::min(window, d.total - from)) {
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

std::optional<DevicePage> DeviceSimulator::List(int nodeId, bool randomStream,
                                                const std::string& what, bool changingTree) {
    DevicePage page = Browse(nodeId, 0, 1000);
    if (!CheckPage(page, 0, 1000, what, changingTree))
        return std::nullopt;
    std::set<int> seen;
    for (const DeviceItem& item : page.data->items)
        if (randomStream && !seen.insert(item.nodeId).second)
            Problem(what + ": song " + std::to_string(item.nodeId) + " listed again");
    return page;
}

} // namespace tb::test
