#include "core/Exceptions.h"
#include "covers/CrawlerException.h"
#include "covers/PageScanner.h"
#include "covers/SiteAnswer.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// The bytes as one site answer, read in pieces of the first byte's size.
class Pieces : public tb::InputStream {
public:
    Pieces(std::string_view bytes, size_t piece) : bytes_(bytes), piece_(piece) {}
    int32_t Read(void* buffer, int32_t maximum) override {
        if (bytes_.empty())
            throw tb::SocketException(tb::SocketException::PeerClosed);
        size_t n = std::min({piece_, bytes_.size(), static_cast<size_t>(maximum)});
        bytes_.copy(static_cast<char*>(buffer), n);
        bytes_.remove_prefix(n);
        return static_cast<int32_t>(n);
    }
    int32_t Get() override { return -1; }

private:
    std::string_view bytes_;
    size_t piece_;
};

} // namespace

// A site answer is read whole or refused, never past its bound; its body
// (or the bytes themselves) then goes through every scanner step, whose
// cursor never leaves the page.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string page(bytes);
    try {
        Pieces source(bytes, size > 0 ? data[0] % 16 + 1 : 1);
        page = tb::ReadSiteAnswer(source, 65536).body;
        if (page.size() > 65536)
            abort();
    } catch (const tb::DizerOviziraObjectException&) {
    }
    tb::PageScanner scanner;
    scanner.SetPage(page);
    scanner.SkipPast("<td", false);
    scanner.NextAttribute("a", "href", false);
    scanner.ExpectText("front", false);
    scanner.SkipTags(3, false);
    scanner.NextAttribute("img", "src", false);
    scanner.MatchText("x", false);
    scanner.NextAttribute("option", "value", false);
    if (scanner.Cursor() > scanner.Page().size())
        abort();
    tb::UrlEncode(tb::String(bytes));
    return 0;
}
