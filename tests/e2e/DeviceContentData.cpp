#include "DeviceContentData.h"

#include <string_view>

namespace tb::test {
namespace {

// Reads a body front to back, the way the server writes it: fixed tags in
// a fixed order with raw text between them.
class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool Take(std::string_view literal) {
        if (text_.compare(pos_, literal.size(), literal) != 0)
            return false;
        pos_ += literal.size();
        return true;
    }
    // The text up to `closing`, which is consumed too.
    bool TextUntil(std::string_view closing, std::string& out) {
        size_t end = text_.find(closing, pos_);
        if (end == std::string::npos)
            return false;
        out = text_.substr(pos_, end - pos_);
        pos_ = end + closing.size();
        return true;
    }
    bool NumberUntil(std::string_view closing, long long& out) {
        std::string digits;
        if (!TextUntil(closing, digits) || digits.empty() || digits.size() > 12)
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

bool ReadFolder(Reader& r, DeviceItem& item) {
    item.folder = true;
    long long id = 0;
    if (!r.Take("<name>") || !r.TextUntil("</name>", item.name) || !r.Take("<nodeid>") ||
        !r.NumberUntil("</nodeid>", id) || !r.Take("</contentdata>"))
        return false;
    if (!item.name.empty() && item.name.back() == '\x8F') {
        item.marked = true;
        item.name.pop_back();
    }
    item.nodeId = static_cast<int>(id);
    return true;
}

bool ReadSong(Reader& r, DeviceItem& item) {
    long long id = 0;
    if (!r.Take("<name>") || !r.TextUntil("</name>", item.name) || !r.Take("<nodeid>") ||
        !r.NumberUntil("</nodeid>", id) || !r.Take("<playable/>"))
        return false;
    item.nodeId = static_cast<int>(id);
    const std::pair<const char*, std::string*> fields[] = {
        {"url", &item.url},         {"title", &item.title},     {"album", &item.album},
        {"trackno", &item.trackno}, {"artist", &item.artist},   {"genre", &item.genre},
        {"year", &item.year},       {"bitrate", &item.bitrate}, {"playlength", &item.playlength}};
    for (const auto& [tag, text] : fields)
        if (!r.Take(std::string("<") + tag + ">") ||
            !r.TextUntil(std::string("</") + tag + ">", *text))
            return false;
    return r.Take("</contentdata>");
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
        bool ok = r.Take("<branch/>") ? ReadFolder(r, item) : ReadSong(r, item);
        if (!ok)
            return fail("a malformed <contentdata> item");
        data.items.push_back(std::move(item));
    }
    if (!r.Take("<totnumelem>") || !r.NumberUntil("</totnumelem>", data.total) ||
        !r.Take("<fromindex>") || !r.NumberUntil("</fromindex>", data.from) ||
        !r.Take("<numelem>") || !r.NumberUntil("</numelem>", data.count))
        return fail("malformed counts");
    if (!r.Take("<alphanumeric/></contentdataset>") || !r.AtEnd())
        return fail("a malformed end");
    return data;
}

} // namespace tb::test
