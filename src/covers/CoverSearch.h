#pragma once

#include "core/String.h"
#include "covers/PageScanner.h"
#include "covers/SiteClient.h"

namespace tb {

class Event;

// One search of one cover site: its base URL, the client and the scanner
// over the last page fetched, and the download of the picture found.
// Site procedures throw DizerOviziraObjectException for whatever they miss.
class CoverSearch {
public:
    CoverSearch(const Event& quit, String baseUrl, int32_t timeoutMs)
        : quit_(quit), base_(std::move(baseUrl)), client_(quit, timeoutMs), timeoutMs_(timeoutMs) {}

    const String& Base() const noexcept { return base_; }
    PageScanner& Scanner() noexcept { return scanner_; }
    // GET `url`; on status 200 its body becomes the page, with the cursor at
    // its start. Anything else fails.
    bool FetchPage(const String& url, bool must = true);
    // The picture at `url` (http:// or ftp://) saved as folder/fileName,
    // replacing an older one only once it arrived whole. False when it did
    // not (or the address is of another kind).
    bool DownloadFile(const String& url, const String& folder, const String& fileName);

private:
    const Event& quit_;
    String base_;
    SiteClient client_;
    PageScanner scanner_;
    int32_t timeoutMs_;
};

// The procedure of cover site `site` (0 to 4) for one album: true when
// its picture was saved as folder/"front.jpg". A miss anywhere is false.
bool SearchCoverSite(int site, CoverSearch& search, const String& artist, const String& album,
                     const String& folder);

} // namespace tb
