// The headless server fills in missing album covers from five cover sites
// set in its store, here all played by one site on loopback: which folders
// are albums, the second try with normalised names, the log lines in their
// order, the saved pictures, and an orderly end with the crawler running.
#include "ServerProcess.h"
#include "covers/FakeCoverSite.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tb::test {
namespace {

bool IsSitePicture(const std::string& bytes) {
    for (int n = 1; n <= 5; ++n)
        if (bytes == Picture(n))
            return true;
    return false;
}

TEST(CoverCrawlTest, AHeadlessServerFillsInMissingCovers) {
    TempDir music, config;
    music.Write("Lumen Vale/Night Harbour/01.mp3", "x");
    music.Write("Lumen Vale/Day Harbour/front.jpg", "mine");
    music.Write("Vale, Lumen/Night_Harbour [Disc 1]/01.mp3", "x");
    music.MakeDir("Orin/Set/CD1"); // "Set" has a subfolder: only "CD1" is an album
    CoverSite site;
    ASSERT_EQ(
        Config(config.Path(), "share add Music " + ShellQuote(music.Path()) + " --covers").status,
        0);
    ASSERT_EQ(Config(config.Path(), "user add admin --password pw").status, 0);
    for (int n = 1; n <= 5; ++n)
        ASSERT_EQ(
            Config(config.Path(), "set Covers/Site" + std::to_string(n) + " " + site.Base()).status,
            0);

    ServerProcess server({"--config-dir", config.Path()});
    ASSERT_NE(server.WaitForLine("DizerOvizira done with Music.", std::chrono::seconds(60)), "");
    std::vector<std::string> crawl;
    for (const std::string& line : server.Lines())
        if (line.find("DizerOvizira") != std::string::npos || line.starts_with("Searching cover") ||
            line.starts_with("Downloading cover"))
            crawl.push_back(line);
    EXPECT_EQ(crawl, (std::vector<std::string>{
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
    EXPECT_TRUE(IsSitePicture(ReadFileBytes(music / "Lumen Vale/Night Harbour/front.jpg")));
    EXPECT_TRUE(
        IsSitePicture(ReadFileBytes(music / "Vale, Lumen/Night_Harbour [Disc 1]/front.jpg")));
    EXPECT_EQ(ReadFileBytes(music / "Lumen Vale/Day Harbour/front.jpg"), "mine");
    EXPECT_EQ(server.Stop(SIGTERM), 0);
}

} // namespace
} // namespace tb::test
