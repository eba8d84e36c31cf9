// The five cover site procedures against one site played on loopback:
// each finds its album among decoys and saves the very bytes served, the
// exact request goes out with its referer, and what is missing, moved or
// unreachable ends that site's search with nothing saved.
#include "FakeCoverSite.h"
#include "core/Event.h"
#include "covers/CoverSearch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

namespace tb {
namespace {

using test::CoverSite;
using test::Ok;
using test::Picture;

TEST(CoverSitesTest, EverySiteFindsItsCover) {
    CoverSite site;
    Event quit;
    for (int number = 0; number < 5; ++number) {
        test::TempDir album;
        CoverSearch search(quit, site.Base().c_str(), 5000);
        EXPECT_TRUE(
            SearchCoverSite(number, search, "Lumen Vale", "Night Harbour", album.Path().c_str()))
            << "site " << number + 1;
        EXPECT_TRUE(test::ReadFileBytes(album / "front.jpg") == Picture(number + 1))
            << "site " << number + 1;
    }
    std::vector<std::string> requests = site.server.Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[0], "GET /searchcovers.php?q=Lumen+Vale HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                           "Accept: image/gif, image/jpeg, */*\r\nAccept-Language: en\r\n"
                           "Accept-Encoding: gzip, deflate\r\nReferer: \r\n"
                           "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0)\r\n"
                           "Connection: keep-alive\r\n\r\n");
    EXPECT_NE(requests[1].find("GET /show?id=8 HTTP/1.1\r\n"), std::string::npos);
    EXPECT_NE(
        requests[1].find("\r\nReferer: " + site.Base() + "/searchcovers.php?q=Lumen+Vale\r\n"),
        std::string::npos);
}

TEST(CoverSitesTest, AMissEndsTheSiteWithNothingSaved) {
    CoverSite site;
    site.answers["/pics/1.jpg"] = "HTTP/1.1 302 Found\r\nLocation: /pics/2.jpg\r\n\r\n";
    site.answers.erase("/det/3");
    site.answers["/pics/5.jpg"] = "HTTP/1.1 200 OK\r\nContent-Length: 99999\r\n\r\ncut";
    site.answers["/az/12.htm"] = Ok("no artist here");
    Event quit;
    for (int number : {0, 2, 3, 4}) {
        test::TempDir album;
        CoverSearch search(quit, site.Base().c_str(), 5000);
        EXPECT_FALSE(
            SearchCoverSite(number, search, "Lumen Vale", "Night Harbour", album.Path().c_str()))
            << "site " << number + 1;
        EXPECT_NE(access((album / "front.jpg").c_str(), F_OK), 0) << "site " << number + 1;
    }
    test::TempDir album;
    CoverSearch unreachable(quit, "http://127.0.0.1:1", 2000);
    EXPECT_FALSE(
        SearchCoverSite(1, unreachable, "Lumen Vale", "Night Harbour", album.Path().c_str()));
    quit.Set();
    size_t before = site.server.Requests().size();
    CoverSearch ending(quit, site.Base().c_str(), 5000);
    EXPECT_FALSE(SearchCoverSite(0, ending, "Lumen Vale", "Night Harbour", album.Path().c_str()));
    EXPECT_EQ(site.server.Requests().size(), before); // nothing asked once the program ends
}

} // namespace
} // namespace tb
