#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the device protocol must send, worked out from the protocol's own
// rules, never taken from the server's output.
namespace tb::test {

// The two one-item listings a refused device gets, as the protocol fixes them.
extern const char* const ServerEntryBody;
extern const char* const ForbiddenBody;

// "HTTP/1.1 200 OK" ... "Content-Type: text/xml", the empty line, the body.
std::string Xml200Answer(const std::string& body, const std::string& tag);
// Weekday, day, month, year, time without leading zeros, " GMT".
std::string HttpDate(uint64_t fileTime);
// 16 lower-case hexadecimal digits.
std::string TimeTag(uint64_t fileTime);
// Time tag of the file's last write, "x", its size.
std::string FileTag(const std::string& path);
// 8 lower-case hexadecimal digits.
std::string Hex8(uint32_t value);

// A listing: the items, then the counts, as one content data set.
std::string Listing(const std::string& items, int total, int from, int count);
std::string FolderItem(const std::string& name, int wireId, bool belowFirstLevel);
std::string RandomStreamItem(int wireId);

// A song's tag texts as a listing shows them.
struct SongTags {
    std::string title, album, track, artist, genre, year, bitrate, length;
};
std::string SongItem(const std::string& name, int wireId, const std::string& streamUrl,
                     const SongTags& tags);

// The C library's shuffle of 0..count-1 from `seed`: entry i swapped with
// entry rand() mod count, for every i in order.
std::vector<int> Shuffle(uint32_t seed, int count);

// The wire IDs of a listing's items, in order.
std::vector<int> NodeIds(const std::string& body);

// An ID3v1 tag: 30-byte title, artist and album, 4-byte year, a comment
// with the track number in its last byte (0 for none), the genre byte.
std::string Id3v1(const std::string& title, const std::string& artist, const std::string& album,
                  const std::string& year, unsigned char track, unsigned char genre);

// A device's POST with `identity` as its eui64 and a Host header.
std::string PostText(const std::string& identity, const std::string& body, int port);
// A device's GET of `target` ("Streamium" user agent).
std::string DeviceGetText(const std::string& target, int port,
                          const std::string& moreHeaders = std::string());

// The part of an answer after its empty line, and the part before it.
std::string BodyOf(const std::string& answer);
std::string HeaderOf(const std::string& answer);

} // namespace tb::test
