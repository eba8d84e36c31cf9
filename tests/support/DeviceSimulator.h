#pragma once

#include "support/LoopbackClient.h"

#include <optional>
#include <string>
#include <vector>

namespace tb::test {

// One <contentdata> item of a device listing.
struct DeviceItem {
    bool folder = false; // <branch/>: a folder or a random stream
    bool marked = false; // the name ended in the 0x8F byte (removed from `name`)
    std::string name;
    int nodeId = 0;
    // Songs only (<playable/>).
    std::string url, title, album, trackno, artist, genre, year, bitrate, playlength;
};

// A <contentdataset> answer body: the items, then the three counts.
struct DeviceContentData {
    std::vector<DeviceItem> items;
    long long total = 0, from = 0, count = 0;
};

// One browse answer: the HTTP answer and, when well formed, its listing.
struct DevicePage {
    Answer http;
    std::optional<DeviceContentData> data;
    std::string error; // why `data` is missing
    std::string etag;  // without its quotes
};

// A browse request body with the node and, when given, fromindex, numelem
// and superScroll, as texts, so that any text can be tried.
std::string BrowseBody(const std::string& node, const std::string& from = "",
                       const std::string& count = "", const std::string& superScroll = "");

// A networked player: posts browse requests and fetches stream URLs as such
// a device does, one connection per request that the server must close.
// Problems are collected as text rather than asserted, so that a simulator
// can run on any thread; one simulator belongs to one thread.
class DeviceSimulator {
public:
    DeviceSimulator(int port, std::string eui64, const char* source = "127.0.0.1")
        : port_(port), eui64_(std::move(eui64)), source_(source) {}

    const std::string& Eui64() const { return eui64_; }
    // "http://127.0.0.1:PORT/", the identity, "." and the wire ID as 8
    // lower-case hex digits.
    std::string StreamUrl(int nodeId) const;

    // POSTs an XML body to "/?eui64=..." with the headers a player sends.
    Answer Post(const std::string& xml);
    // Post, with the answer read as a listing.
    DevicePage Page(const std::string& xml);
    DevicePage Browse(int nodeId, long long from, long long window,
                      const std::string& superScroll = "");
    // A player's GET of `target` with the extra header lines.
    Answer Get(const std::string& target, const std::string& moreHeaders = "");
    // GETs a stream URL, from byte `rangeStart` on when that is 0 or more.
    Answer Stream(const std::string& url, long long rangeStart = -1);
    // Starts a stream and hangs up after about `wait` without reading it all.
    void StreamAndHangUp(const std::string& url, milliseconds wait);
    // Sends raw bytes on a new connection; all that comes back.
    std::string Exchange(const std::string& request);

    // Checks one page asked for with `from` and `window` (no superScroll):
    // complete, well formed, fromindex as asked, numelem =
    // min(window, totnumelem - from), that many items. While files come and
    // go (`changingTree`) a song whose file went away lists as nothing, and
    // an ID may since name a song or nothing, which gets no answer at all.
    // False when the page cannot be used; a problem is noted unless that is
    // such an allowed silence.
    bool CheckPage(const DevicePage& page, long long from, long long window,
                   const std::string& what, bool changingTree = false);
    // Reads every child of a node (a random stream's songs once each) in
    // one page; null when the page could not be used.
    std::optional<DevicePage> List(int nodeId, bool randomStream, const std::string& what,
                                   bool changingTree = false);

    void Problem(const std::string& text);
    const std::vector<std::string>& Problems() const { return problems_; }
    int Requests() const { return requests_; }

    // Long enough for a slow (sanitized) server under load; only a hang hits it.
    milliseconds answerTimeout{60000};

private:
    // The target of a stream URL on this server, or empty.
    std::string StreamTarget(const std::string& url);

    int port_;
    std::string eui64_;
    const char* source_;
    int requests_ = 0;
    std::vector<std::string> problems_;
};

// The first problems, for a failure message.
std::string FirstProblems(const std::vector<std::string>& problems);
// The 16 hex digits of a file time (100 ns since 1601) of a file's last write.
std::string FileTimeTag(const std::string& path);

} // namespace tb::test
