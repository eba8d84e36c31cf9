// Folder listings for devices: paging, superScroll, the 0x8F marker, song
// items, log lines and the reported activity.
#include "dispatch/DeviceTest.h"

#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>

namespace tb::test {
namespace {

// Four shares, numbered depth-first from the root (1) after the global
// random stream (2); each share's top folder lists its random stream first.
//   Abba 3, its stream 4, Box 5, Box's eight empty folders 6..13
//   Beatles 14, stream 15, Intro.mp3 16 (tagged)
//   Madonna 17, stream 18, "Plain Song.mp3" 19 (no tag)
//   Queen 20, stream 21
class FolderBrowseTest : public DeviceTest {
protected:
    void SetUp() override {
        s.AddShare("Abba");
        for (int i = 1; i <= 8; ++i)
            s.music.MakeDir("Abba/Box/folder " + std::to_string(i));
        s.AddShare("Beatles");
        s.music.Write("Beatles/Intro.mp3",
                      std::string(300, 'x') +
                          Id3v1("Intro Song", "The Beatles", "Help", "1965", 3, 17));
        s.AddShare("Madonna");
        s.music.Write("Madonna/Plain Song.mp3", std::string(300, 'y'));
        s.AddShare("Queen");
        s.Build();
        player = s.AddUser(PlayerName, Identity);
        Start();
    }
    std::string Browse(const std::string& body) { return Post(Identity, body); }

    UserList::Entry player;
};

TEST_F(FolderBrowseTest, TheRootWithDefaultsListsEveryShareAfterSeeding) {
    s.users.Reseed(player, 1);
    size_t linesBefore = s.log.Count();
    std::string items = FolderItem("Abba", 3, false) + FolderItem("Beatles", 14, false) +
                        FolderItem("Madonna", 17, false) + FolderItem("Queen", 20, false);
    EXPECT_EQ(Browse("<Request></Request>"), Xml200Answer(Listing(items, 4, 0, 4), ListingTag()));
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              (std::vector<std::string>{"[Player]: Seeding", "[Player]: Reading 'Tune Bridge'"}));
    UserItem::Activity activity = ActivityOf(player);
    EXPECT_EQ(activity.status, "Browsing");
    EXPECT_EQ(activity.countdown, 10);
    // Seeding takes the current time in seconds.
    auto now = static_cast<int64_t>(std::time(nullptr));
    EXPECT_NEAR(static_cast<double>(activity.randomSeed), static_cast<double>(now), 5.0);
}

TEST_F(FolderBrowseTest, AWindowPastTheEndIsCutAndCounted) {
    std::string box = s.music / "Abba/Box";
    std::vector<std::string> order = DirectoryOrder(box);
    ASSERT_EQ(order.size(), 8u);
    std::string items;
    for (int p = 5; p < 8; ++p)
        items += FolderItem(order[static_cast<size_t>(p)], 6 + p, true);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Browse(BrowseBody("5", "5", "10")),
              Xml200Answer(Listing(items, 8, 5, 3), ListingTag()));
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              std::vector<std::string>{"[Player]: Reading 'Box' (6..8)"});

    // A window inside the list names its range; the whole list does not.
    EXPECT_EQ(NodeIds(BodyOf(Browse(BrowseBody("5", "1", "2")))), (std::vector<int>{7, 8}));
    EXPECT_EQ(s.log.Lines().back(), "[Player]: Reading 'Box' (2..3)");
    EXPECT_EQ(NodeIds(BodyOf(Browse(BrowseBody("5", "0", "8")))),
              (std::vector<int>{6, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(s.log.Lines().back(), "[Player]: Reading 'Box'");
}

class FolderPageTest : public DeviceTest {};

// One request must not make the server format a whole library.
TEST_F(FolderPageTest, APageHoldsAtMostAThousandItemsAndTheTotalStaysExact) {
    s.AddShare("Big");
    for (int i = 0; i < 1200; ++i)
        s.music.Write("Big/" + std::to_string(10000 + i) + ".mp3", "");
    s.Build();
    s.AddUser(PlayerName, Identity);
    Start();
    std::string body = BodyOf(Post(Identity, BrowseBody("3", "100", "5000")));
    EXPECT_EQ(NodeIds(body).size(), 1000u);
    EXPECT_NE(body.find("<totnumelem>1201</totnumelem><fromindex>100</fromindex>"
                        "<numelem>1000</numelem>"),
              std::string::npos);
}

TEST_F(FolderBrowseTest, SuperScrollStartsAtTheFirstNameAtOrAfterTheLetter) {
    size_t linesBefore = s.log.Count();
    std::string fromMadonna = FolderItem("Madonna", 17, false) + FolderItem("Queen", 20, false);
    EXPECT_EQ(BodyOf(Browse("<Request><superScroll>M</superScroll></Request>")),
              Listing(fromMadonna, 4, 2, 2));
    // Not from the start: no new seed.
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              std::vector<std::string>{"[Player]: Reading 'Tune Bridge' (3..4)"});
    // Element names and the letter ignore case.
    EXPECT_EQ(BodyOf(Browse("<Request><superscroll>m</superscroll></Request>")),
              Listing(fromMadonna, 4, 2, 2));
    // The search begins at fromindex.
    EXPECT_EQ(BodyOf(Browse("<Request><fromindex>3</fromindex><superScroll>A</superScroll>"
                            "</Request>")),
              Listing(FolderItem("Queen", 20, false), 4, 3, 1));
}

TEST_F(FolderBrowseTest, SuperScrollPastEveryNameKeepsFromIndex) {
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(NodeIds(BodyOf(Browse("<Request><superScroll>Z</superScroll></Request>"))),
              (std::vector<int>{3, 14, 17, 20}));
    // fromindex stayed 0 on the root: this is a new start.
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              (std::vector<std::string>{"[Player]: Seeding", "[Player]: Reading 'Tune Bridge'"}));
    EXPECT_EQ(BodyOf(Browse("<Request><fromindex>1</fromindex><superScroll>Z</superScroll>"
                            "</Request>")),
              Listing(FolderItem("Beatles", 14, false) + FolderItem("Madonna", 17, false) +
                          FolderItem("Queen", 20, false),
                      4, 1, 3));
}

TEST_F(FolderBrowseTest, FoldersBelowTheFirstLevelCarryTheMarkerByte) {
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Browse(BrowseBody("3")),
              Xml200Answer(Listing(RandomStreamItem(4) + FolderItem("Box", 5, true), 2, 0, 2),
                           ListingTag()));
    // Only the root's listing seeds.
    EXPECT_EQ(s.log.LinesFrom(linesBefore), std::vector<std::string>{"[Player]: Reading 'Abba'"});
}

TEST_F(FolderBrowseTest, ASongItemCarriesItsTagsAndStreamUrl) {
    SongTags tags{"Intro Song", "Help", "3", "The Beatles", "Rock", "1965", "", ""};
    EXPECT_EQ(
        BodyOf(Browse(BrowseBody("14"))),
        Listing(RandomStreamItem(15) + SongItem("Intro Song", 16, StreamUrl(Identity, 16), tags), 2,
                0, 2));
}

TEST_F(FolderBrowseTest, AnUntaggedSongIsNamedAfterItsFile) {
    SongTags tags{"Plain Song", "", "", "", "", "", "", ""};
    EXPECT_EQ(
        BodyOf(Browse(BrowseBody("17"))),
        Listing(RandomStreamItem(18) + SongItem("Plain Song", 19, StreamUrl(Identity, 19), tags), 2,
                0, 2));
}

TEST_F(FolderBrowseTest, ASongWhoseFileWentAwayListsAsNothingButStillCounts) {
    std::string path = s.music / "Madonna/Plain Song.mp3";
    std::remove(path.c_str());
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(BodyOf(Browse(BrowseBody("17"))), Listing(RandomStreamItem(18), 2, 0, 2));
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              (std::vector<std::string>{
                  "[Player]: Reading 'Madonna'",
                  "Error opening file '" + path +
                      "'. \r\nIf file has moved please reindex, otherwise make sure it is not "
                      "in use by another application."}));
}

TEST_F(FolderBrowseTest, TheStreamUrlTakesTheHostHeaderAndTheIdentityAsSent) {
    s.AddUser("Upper", "ABCDEF0123456789");
    // A listing made for another device and host first must not leak into this one.
    std::string first = BodyOf(Browse(BrowseBody("17")));
    EXPECT_NE(first.find("<url>" + StreamUrl(Identity, 19) + "</url>"), std::string::npos) << first;
    const std::string body = "<r><NodeID>17</NodeID></r>";
    bool closed = false;
    std::string answer = Exchange(s.port,
                                  "POST /x?eui64=ABCDEF0123456789 HTTP/1.1\r\n"
                                  "Host: music.example:8080\r\nContent-Length: " +
                                      std::to_string(body.size()) + "\r\n\r\n" + body,
                                  closed);
    EXPECT_NE(BodyOf(answer).find("<url>http://music.example:8080/ABCDEF0123456789.00000013</url>"),
              std::string::npos)
        << answer;
    EXPECT_EQ(BodyOf(Browse(BrowseBody("17"))), first);
}

TEST_F(FolderBrowseTest, SongsRadioAndUnknownNodesGetNoListing) {
    size_t linesBefore = s.log.Count();
    for (const char* node : {"16", "19", "0", "22", "2147483647", "-1", "abc"}) {
        SCOPED_TRACE(node);
        EXPECT_EQ(Browse(BrowseBody(node)), "");
    }
    EXPECT_TRUE(s.log.LinesFrom(linesBefore).empty());
    EXPECT_EQ(ActivityOf(player).status, "");
    ExpectServing();
}

} // namespace
} // namespace tb::test
