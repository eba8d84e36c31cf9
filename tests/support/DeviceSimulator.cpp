#include "support/DeviceSimulator.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sys/stat.h>

namespace tb::test {
namespace {

// Reads a body front to back, the way the server writes it: fixed tags in
// a fixed order with raw text between them.
class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool Take(const std::string& literal) {
        if (text_.compare(pos_, literal.size(), literal) != 0)
            return false;
        pos_ += literal.size();
        return true;
    }
    // The text up to the closing tag of `tag`, which is consumed too.
    bool Text(const std::string& tag, std::string& out) {
        if (!Take("<" + tag + ">"))
            return false;
        size_t end = text_.find("</" + tag + ">", pos_);
        if (end == std::string::npos)
            return false;
        out = text_.substr(pos_, end - pos_);
        pos_ = end + tag.size() + 3;
        return true;
    }
    bool Number(const std::string& tag, long long& out) {
        std::string digits;
        if (!Text(tag, digits) || digits.empty() || digits.size() > 12)
            return false;
        size_t first = digits[0] == '-' ? 1 : 0;
        if (first == digits.size() ||
            digits.find_first_not_of("0123456789", first) != std::string::npos)
            return false;
        out = std::stoll(digits);
        return true;
    }
    bool AtEnd() const { return pos_ == text_.size(); }
    size_t Position() const { return pos_; }

private:
    const std::string& text_;
    size_t pos_ = 0;
};

bool ReadItem(Reader& r, DeviceItem& item) {
    item.folder = r.Take("<branch/>");
    long long id = 0;
    if (!r.Text("name", item.name) || !r.Number("nodeid", id))
        return false;
    item.nodeId = static_cast<int>(id);
    if (item.folder) {
        item.marked = !item.name.empty() && item.name.back() == '\x8F';
        if (item.marked)
            item.name.pop_back();
        return r.Take("</contentdata>");
    }
    if (!r.Take("<playable/>"))
        return false;
    for (auto [tag, text] : {std::pair{"url", &item.url},
                             {"title", &item.title},
                             {"album", &item.album},
                             {"trackno", &item.trackno},
                             {"artist", &item.artist},
                             {"genre", &item.genre},
                             {"year", &item.year},
                             {"bitrate", &item.bitrate},
                             {"playlength", &item.playlength}})
        if (!r.Text(tag, *text))
            return false;
    return r.Take("</contentdata>");
}

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

std::optional<DeviceContentData> DeviceContentData::Parse(const std::string& body,
                                                          std::string& error) {
    DeviceContentData data;
    Reader r(body);
    auto fail = [&](const char* what) {
        error = std::string(what) + " at byte " + std::to_string(r.Position());
        return std::nullopt;
    };
    if (!r.Take("<contentdataset>"))
        return fail("no <contentdataset>");
    while (r.Take("<contentdata>")) {
        DeviceItem item;
        if (!ReadItem(r, item))
            return fail("a malformed <contentdata> item");
        data.items.push_back(std::move(item));
    }
    if (!r.Number("totnumelem", data.total) || !r.Number("fromindex", data.from) ||
        !r.Number("numelem", data.count))
        return fail("malformed counts");
    if (!r.Take("<alphanumeric/></contentdataset>") || !r.AtEnd())
        return fail("a malformed end");
    return data;
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
    return BaseUrl() + eui64_ + "." + id;
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
        page.data = DeviceContentData::Parse(page.http.body, page.error);
    return page;
}

DevicePage DeviceSimulator::Browse(int nodeId, long long from, long long window,
                                   const std::string& superScroll) {
    return Page(BrowseBody(nodeId, from, window, superScroll));
}

Answer DeviceSimulator::Get(const std::string& target, const std::string& moreHeaders) {
    return Answer::Parse(Exchange("GET " + target +
                                  " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                                  "\r\nUser-Agent: Streamium/1.0\r\n" + moreHeaders + "\r\n"));
}

Answer DeviceSimulator::Stream(const std::string& url, long long rangeStart) {
    std::string base = BaseUrl();
    if (url.compare(0, base.size(), base) != 0) {
        Problem("stream URL not below " + base + ": " + url);
        return {};
    }
    return Get(url.substr(base.size() - 1),
               rangeStart < 0 ? "" : "Range: bytes=" + std::to_string(rangeStart) + "-\r\n");
}

void DeviceSimulator::StreamAndHangUp(const std::string& url, milliseconds wait) {
    std::string base = BaseUrl();
    if (url.compare(0, base.size(), base) != 0)
        return;
    ++requests_;
    LoopbackClient client(port_, {source_, 0});
    client.Send("GET " + url.substr(base.size() - 1) +
                " HTTP/1.1\r\nUser-Agent: Streamium/1.0\r\n\r\n");
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
    const std::string* type = page.http.Header("Content-Type");
    bool ok = true;
    if (page.http.status != "HTTP/1.1 200 OK" || !IsTimeTag(page.etag) || !type ||
        *type != "text/xml") {
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

std::optional<DeviceListing> DeviceSimulator::List(int nodeId, bool randomStream,
                                                   const std::string& what, bool changingTree) {
    DevicePage page = Browse(nodeId, 0, 1000);
    if (!CheckPage(page, 0, 1000, what, changingTree))
        return std::nullopt;
    std::set<int> seen;
    for (const DeviceItem& item : page.data->items)
        if (randomStream && !seen.insert(item.nodeId).second)
            Problem(what + ": song " + std::to_string(item.nodeId) + " listed again");
    return DeviceListing{page.data->items, page.data->total, page.etag};
}

} // namespace tb::test
