#pragma once

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

// A <contentdataset> answer body: the items, then the three counts. The
// server applies no escaping, so texts are taken as raw bytes up to their
// closing tag.
struct DeviceContentData {
    std::vector<DeviceItem> items;
    long long total = 0, from = 0, count = 0;

    // Null when the body is not exactly a content data set; `error` then
    // says where it went wrong.
    static std::optional<DeviceContentData> Parse(const std::string& body, std::string& error);
};

} // namespace tb::test
