#include "covers/CoverSearch.h"

#include "core/Exceptions.h"
#include "core/FileDescriptor.h"
#include "core/NoCase.h"
#include "core/Path.h"
#include "covers/CrawlerException.h"
#include "covers/PassiveFtpClient.h"

#include <cctype>
#include <cstdio>
#include <system_error>

namespace tb {
namespace {

constexpr const char* FileName = "front.jpg";

String Underscored(const String& text) {
    return text.ReplaceAll(" ", "_");
}

// Search by artist; the result row "Artist - Album" leads to a detail page
// when its link reads "Front".
bool Site1(CoverSearch& s, const String& artist, const String& album, const String& folder) {
    s.FetchPage(s.Base() + "/searchcovers.php?q=" + UrlEncode(artist));
    PageScanner& page = s.Scanner();
    String link;
    do {
        do
            page.SkipPast("<td id=menu><b>");
        while (!page.MatchText((artist + " - " + album).View(), false));
        link = page.NextAttribute("a", "href");
    } while (!page.ExpectText("Front", false));
    s.FetchPage(s.Base() + link);
    page.SkipPast("<td class=letras align=center bgcolor=#FFFFFF>");
    return s.DownloadFile(page.NextAttribute("img", "src"), folder, FileName);
}

// Search by artist and album; each result carries its picture, artist and
// album.
bool Site2(CoverSearch& s, const String& artist, const String& album, const String& folder) {
    s.FetchPage(s.Base() + "/covers/?adv=&artist=" + UrlEncode(artist) +
                "&album=" + UrlEncode(album));
    PageScanner& page = s.Scanner();
    for (;;) {
        page.SkipPast("<!-- RESULT ITEM START -->");
        page.SkipTags(3);
        String candidate = page.NextAttribute("img", "src");
        page.SkipPast("Artist:");
        page.SkipTags(3);
        if (!page.MatchText(artist.View(), false))
            continue;
        page.SkipPast("Album:");
        page.SkipTags(3);
        if (page.MatchText(album.View(), false))
            return s.DownloadFile(candidate, folder, FileName);
    }
}

// Search by both; the link "Artist - Album - Front" leads to a detail page.
bool Site3(CoverSearch& s, const String& artist, const String& album, const String& folder) {
    s.FetchPage(s.Base() + "/search.php?search=" + UrlEncode(artist) + "+" + UrlEncode(album) +
                "&cat=1");
    PageScanner& page = s.Scanner();
    page.SkipPast("<input type=\"hidden\" name=\"cat\" value=\"1\">");
    String wanted = artist + " - " + album + " - Front";
    String link;
    do {
        page.SkipTags(1);
        link = page.NextAttribute("a", "href");
    } while (!page.MatchText(wanted.View(), false));
    s.FetchPage(s.Base() + link);
    page.SkipPast("Audio Covers");
    return s.DownloadFile(page.NextAttribute("img", "src"), folder, FileName);
}

// An index per initial leads to the artist's page, which links the picture.
bool Site4(CoverSearch& s, const String& artist, const String& album, const String& folder) {
    int initial = artist.IsEmpty() ? 0 : std::tolower(static_cast<unsigned char>(artist.At(0)));
    char index[32];
    std::snprintf(index, sizeof index, "/az/%02d.htm", initial - 96);
    s.FetchPage(s.Base() + index);
    PageScanner& page = s.Scanner();
    page.SkipPast(artist.View());
    String artistPage = s.Base() + "/az/" + page.NextAttribute("a", "href");
    s.FetchPage(artistPage);
    page.SkipPast((artist + "_-_" + album + "-front").View());
    String link = page.NextAttribute("a", "href");
    std::string_view pageUrl = artistPage.View();
    String address = String(pageUrl.substr(0, pageUrl.rfind('/') + 1)) + link;
    return s.DownloadFile(address, folder, FileName);
}

// An index per initial lists every picture as an option.
bool Site5(CoverSearch& s, const String& artist, const String& album, const String& folder) {
    int initial = artist.IsEmpty() ? 0 : std::tolower(static_cast<unsigned char>(artist.At(0)));
    String letter =
        initial < 'a' ? String("#") : String(std::string(1, static_cast<char>(initial)));
    s.FetchPage(s.Base() + "/~dwenlow/cdcoverz/indexes/audio/" + letter + "/index.html");
    PageScanner& page = s.Scanner();
    page.SkipPast("Make your choice");
    String wanted = Underscored(artist) + "_-_" + Underscored(album) + "-front";
    String option;
    do
        option = page.NextAttribute("option", "value");
    while (!page.MatchText(wanted.View(), false));
    return s.DownloadFile(option, folder, FileName);
}

} // namespace

bool CoverSearch::FetchPage(const String& url, bool must) {
    try {
        SiteAnswer answer = client_.Get(url, PageLimit);
        if (answer.status == 200) {
            scanner_.SetPage(std::move(answer.body));
            return true;
        }
    } catch (const DizerOviziraObjectException&) {
        if (must)
            throw;
        return false;
    }
    if (must)
        throw DizerOviziraObjectException();
    return false;
}

bool CoverSearch::DownloadFile(const String& url, const String& folder, const String& fileName) {
    String path = JoinPath(folder, fileName.View());
    try {
        if (StartsWithNoCase(url.View(), "http://")) {
            SiteAnswer answer = client_.Get(url, PictureLimit);
            if (answer.status != 200)
                return false;
            ReplaceFileContents(path.c_str(), answer.body, 0644);
            return true;
        }
        if (StartsWithNoCase(url.View(), "ftp://"))
            return PassiveFtpClient(quit_, timeoutMs_).DownloadFile(url, path, PictureLimit);
    } catch (const DizerOviziraObjectException&) {
    } catch (const PassiveFtpClientException&) {
    } catch (const SocketException&) {
    } catch (const std::system_error&) {
        // a folder that cannot take the picture: nothing saved
    }
    return false;
}

bool SearchCoverSite(int site, CoverSearch& search, const String& artist, const String& album,
                     const String& folder) {
    using Procedure = bool (*)(CoverSearch&, const String&, const String&, const String&);
    static constexpr Procedure Procedures[] = {Site1, Site2, Site3, Site4, Site5};
    if (site < 0 || site > 4)
        return false;
    try {
        return Procedures[site](search, artist, album, folder);
    } catch (const DizerOviziraObjectException&) {
        return false;
    }
}

} // namespace tb
