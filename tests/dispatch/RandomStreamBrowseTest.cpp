// A random stream's listing: each device pages through its own shuffled
// order, which a new seed changes only once the order is made anew.
#include "dispatch/DeviceTest.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace tb::test {
namespace {

// Share R (12 songs) and share S (5 songs):
//   root 1, global stream 2 (all 17 songs, R's first)
//   R 3, R's stream 4, R's songs 5..16
//   S 17, S's stream 18, S's songs 19..23
// A share's songs stand in its stream in the order of the folder's listing,
// which is also the order they are numbered in.
class RandomStreamBrowseTest : public DeviceTest {
protected:
    void SetUp() override {
        s.AddShare("R");
        for (int i = 1; i <= 12; ++i)
            s.music.Write(Name("R/r", i), "r");
        s.AddShare("S");
        for (int i = 1; i <= 5; ++i)
            s.music.Write(Name("S/s", i), "s");
        s.Build();
        player = s.AddUser(PlayerName, Identity);
        Start();
    }
    static std::string Name(const char* prefix, int i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%02d.mp3", prefix, i);
        return name;
    }
    // The wire IDs a device must see for a stream whose k-th song has wire
    // ID songIds[k], shuffled from `seed`.
    static std::vector<int> Expected(uint32_t seed, const std::vector<int>& songIds) {
        std::vector<int> ids;
        for (int index : Shuffle(seed, static_cast<int>(songIds.size())))
            ids.push_back(songIds[static_cast<size_t>(index)]);
        return ids;
    }
    static std::vector<int> Range(int first, int count) {
        std::vector<int> ids;
        for (int i = 0; i < count; ++i)
            ids.push_back(first + i);
        return ids;
    }
    std::vector<int> Page(int node, int from, int count) {
        return NodeIds(BodyOf(Post(Identity, BrowseBody(std::to_string(node), std::to_string(from),
                                                        std::to_string(count)))));
    }
    std::vector<int> Whole(int node) {
        return NodeIds(BodyOf(Post(Identity, BrowseBody(std::to_string(node)))));
    }
    uint32_t Seed() const { return ActivityOf(player).randomSeed; }

    UserList::Entry player;
};

TEST_F(RandomStreamBrowseTest, PagesFollowOneShuffledOrderWithoutRepeats) {
    s.users.Reseed(player, 4242);
    size_t linesBefore = s.log.Count();
    std::vector<int> seen;
    for (int from : {0, 5, 10}) {
        std::vector<int> page = Page(4, from, 5);
        seen.insert(seen.end(), page.begin(), page.end());
    }
    EXPECT_EQ(seen, Expected(4242, Range(5, 12)));
    std::vector<int> sorted = seen;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, Range(5, 12)) << "each song exactly once";
    EXPECT_EQ(s.log.LinesFrom(linesBefore),
              (std::vector<std::string>{"[Player]: Reading '[Random stream]' (1..5)",
                                        "[Player]: Reading '[Random stream]' (6..10)",
                                        "[Player]: Reading '[Random stream]' (11..12)"}));
    EXPECT_EQ(ActivityOf(player).status, "Browsing");
    EXPECT_EQ(ActivityOf(player).countdown, 10);
}

TEST_F(RandomStreamBrowseTest, APageIsByteForByteTheSongsInShuffledOrder) {
    s.users.Reseed(player, 99);
    std::vector<int> order = Expected(99, Range(5, 12));
    std::vector<std::string> names = DirectoryOrder(s.music / "R");
    ASSERT_EQ(names.size(), 12u);
    std::string items;
    for (int k = 10; k < 12; ++k) {
        int id = order[static_cast<size_t>(k)];
        std::string title = names[static_cast<size_t>(id - 5)];
        title.resize(title.size() - 4);
        SongTags untagged;
        untagged.title = title;
        items += SongItem(title, id, StreamUrl(Identity, id), untagged);
    }
    EXPECT_EQ(Post(Identity, BrowseBody("4", "10", "5")),
              Xml200Answer(Listing(items, 12, 10, 2), ListingTag()));
}

TEST_F(RandomStreamBrowseTest, ANewSeedChangesTheOrderOnlyWhenTheListSizeChanges) {
    s.users.Reseed(player, 4242);
    std::vector<int> first = Whole(4);
    EXPECT_EQ(first, Expected(4242, Range(5, 12)));

    // Browsing the root from the start draws a new seed...
    size_t linesBefore = s.log.Count();
    Whole(1);
    EXPECT_EQ(s.log.LinesFrom(linesBefore).front(), "[Player]: Seeding");
    uint32_t seed = Seed();
    ASSERT_NE(seed, 4242u);
    // ...but a stream of the same size keeps the order it had.
    EXPECT_EQ(Whole(4), first);
    // A stream of another size makes the order anew from the new seed,
    EXPECT_EQ(Whole(18), Expected(seed, Range(19, 5)));
    // and the first stream then has to make its own anew too.
    EXPECT_EQ(Whole(4), Expected(seed, Range(5, 12)));
    std::vector<int> all = Range(5, 12);
    for (int id : Range(19, 5))
        all.push_back(id);
    EXPECT_EQ(Whole(2), Expected(seed, all));
}

TEST_F(RandomStreamBrowseTest, EachDeviceHasItsOwnOrder) {
    auto other = s.AddUser("Other", "fedcba9876543210");
    s.users.Reseed(player, 1);
    s.users.Reseed(other, 2);
    std::vector<int> mine = Whole(4);
    std::vector<int> theirs = NodeIds(BodyOf(Post("fedcba9876543210", BrowseBody("4"))));
    EXPECT_EQ(mine, Expected(1, Range(5, 12)));
    EXPECT_EQ(theirs, Expected(2, Range(5, 12)));
    // The other device's listing did not disturb this one's.
    EXPECT_EQ(Whole(4), mine);
}

TEST_F(RandomStreamBrowseTest, ARandomStreamItemNeverCarriesTheMarkerByte) {
    EXPECT_EQ(NodeIds(BodyOf(Post(Identity, BrowseBody("3", "0", "1")))), std::vector<int>{4});
    EXPECT_EQ(BodyOf(Post(Identity, BrowseBody("3", "0", "1"))),
              Listing(RandomStreamItem(4), 13, 0, 1));
}

} // namespace
} // namespace tb::test
