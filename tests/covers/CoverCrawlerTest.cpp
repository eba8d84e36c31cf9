// The crawler's thread over a real folder tree and a cover site on
// loopback: which folders are albums, the second try with normalised
// names, the log lines in their order, and its end.
#include "covers/CoverCrawler.h"

#include "FakeCoverSite.h"
#include "core/Event.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "support/LineLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <thread>

namespace tb {
namespace {

using test::Picture;

bool IsSitePicture(const std::string& bytes) {
    for (int n = 1; n <= 5; ++n)
        if (bytes == Picture(n))
            return true;
    return false;
}

TEST(CoverCrawlerTest, FindsMissingCoversOnceAndEndsOnQuit) {
    test::TempDir music;
    music.Write("Lumen Vale/Night Harbour/01.mp3", "x");
    music.Write("Lumen Vale/Day Harbour/front.jpg", "mine");
    music.Write("Lumen Vale/Old/Old.jpg", "mine too");
    music.Write("Vale, Lumen/Night_Harbour [Disc 1]/01.mp3", "x");
    music.MakeDir("Orin/Set/CD1"); // "Set" has a subfolder: only "CD1" is an album
    test::CoverSite site;
    ServiceList services;
    {
        ServiceList::Guard lock(services);
        services.Items().push_back(
            std::make_shared<ShareService>("Music", "", music.Path().c_str(), true));
        services.Items().push_back(std::make_shared<ShareService>("Other", "", "/nowhere", false));
    }
    std::array<String, 5> sites;
    sites.fill(site.Base().c_str());
    for (int run = 0; run < 2; ++run) {
        Event quit, done;
        test::LineLog log;
        DizerOviziraObject crawler(quit, done, log, services, sites, 5000);
        std::thread thread([&crawler] { crawler.Run(); });
        std::string last =
            log.WaitForPrefix("DizerOvizira done with Music.", std::chrono::seconds(30));
        quit.Set();
        EXPECT_TRUE(done.Wait(3000));
        thread.join();
        if (run == 1) { // every album has its cover now
            EXPECT_EQ(last, "DizerOvizira done with Music. Downloaded 0 of 1 album covers.");
            continue;
        }
        EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                                   "Starting DizerOvizira on Music",
                                   "Searching cover for Lumen Vale / Night Harbour",
                                   "Downloading cover for Lumen Vale / Night Harbour",
                                   "Searching cover for Set / CD1",
                                   "Searching cover for Set / ", // "CD1" is a disc number
                                   "Searching cover for Vale, Lumen / Night_Harbour [Disc 1]",
                                   "Searching cover for Lumen Vale / Night Harbour",
                                   "Downloading cover for Lumen Vale / Night Harbour",
                                   "DizerOvizira done with Music. Downloaded 2 of 3 album covers.",
                               }));
        EXPECT_TRUE(
            IsSitePicture(test::ReadFileBytes(music / "Lumen Vale/Night Harbour/front.jpg")));
        EXPECT_TRUE(IsSitePicture(
            test::ReadFileBytes(music / "Vale, Lumen/Night_Harbour [Disc 1]/front.jpg")));
        EXPECT_EQ(test::ReadFileBytes(music / "Lumen Vale/Day Harbour/front.jpg"), "mine");
    }
}

} // namespace
} // namespace tb
