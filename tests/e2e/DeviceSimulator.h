#pragma once

#include "DeviceContentData.h"
#include "DeviceHttpAnswer.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tb::test {

// One browse answer: the HTTP answer and, when well formed, its listing.
struct DevicePage {
    DeviceHttpAnswer http;
    std::optional<DeviceContentData> data;
    std::string error; // why `data` is missing
    std::string etag;  // the ETag value without its quotes
};

// All children of one node, read page by page.
struct DeviceListing {
    std::vector<DeviceItem> items;
    long long total = 0;
    std::string etag;    // of the first page
    bool oneTree = true; // every page carried the same ETag, i.e. came from one index build
};

// A networked player on 127.0.0.1: posts browse requests and fetches
// stream URLs the way such a device does, one connection per request, and
// checks each answer against the paging rules. Problems are collected as
// text rather than asserted, so that a simulator can run on any thread.
// One simulator belongs to one thread.
class DeviceSimulator {
public:
    DeviceSimulator(int port, std::string eui64);

    const std::string& Eui64() const { return eui64_; }
    // "http://127.0.0.1:PORT/", the base of every stream URL the server names.
    std::string BaseUrl() const;
    // The URL the server names for a song of this device: the base, the
    // identity, "." and the wire ID as 8 lower-case hex digits.
    std::string StreamUrl(int nodeId) const;

    // POSTs an XML body to "/?eui64=..." with the headers a player sends.
    DeviceHttpAnswer Post(const std::string& xml);
    // POSTs <Request> with NodeID, fromindex, numelem and, when not empty, superScroll.
    DevicePage Browse(int nodeId, long long from, long long window,
                      const std::string& superScroll = "");
    // GETs a stream URL. A `rangeStart` of 0 or more adds "Range: bytes=N-".
    DeviceHttpAnswer Stream(const std::string& url, long long rangeStart = -1);
    // Starts a stream and hangs up after about `wait` without reading it all.
    void StreamAndHangUp(const std::string& url, std::chrono::milliseconds wait);

    // Checks one page asked for with `from` and `window` (no superScroll):
    // complete, well formed, fromindex as asked, numelem =
    // min(window, totnumelem - from), that many items. While files come and
    // go (`changingTree`) a song whose file went away lists as nothing, and
    // an ID may since name a song or nothing, which gets no answer at all.
    // False when the page cannot be used; a problem is noted unless that is
    // such an allowed silence.
    bool CheckPage(const DevicePage& page, long long from, long long window,
                   const std::string& what, bool changingTree = false);
    // Reads every child of a node with windows of 3 to 7 items. Within one
    // index build the total must stay put and a random stream must not
    // repeat a song; without `changingTree` no build may happen between
    // pages either. Null when a page could not be used.
    std::optional<DeviceListing> List(int nodeId, bool randomStream, const std::string& what,
                                      bool changingTree = false);

    // The window size of the next page: 3, 4, 5, 6, 7, 3, ...
    long long NextWindow() { return 3 + (windowTurn_++ % 5); }

    void Problem(const std::string& text);
    const std::vector<std::string>& Problems() const { return problems_; }
    int Requests() const { return requests_; }

private:
    std::string Exchange(const std::string& request);

    int port_;
    std::string eui64_;
    int windowTurn_ = 0;
    int requests_ = 0;
    std::vector<std::string> problems_;
};

// Expected numelem of a page: the window, cut at the end of the list (and
// negative when `from` lies beyond it).
long long ExpectedCount(long long total, long long from, long long window);
// The 16 hex digits of a file time (100 ns since 1601) for a file's last write.
std::string FileTimeTag(const std::string& path);
// Text for failure messages, with bytes that are not printable ASCII as \xNN.
std::string Printable(const std::string& bytes);

} // namespace tb::test
