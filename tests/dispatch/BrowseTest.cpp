// What devices and browsers see of the library: folder and random stream
// listings with paging, superScroll, the 0x8F marker, song items and the
// reported activity; requests that are wrong.
#include "dispatch/DispatchTest.h"

#include <ctime>
#include <dirent.h>

namespace tb::test {
namespace {

using testing::ElementsAre;

// A directory's entries in the order the file system lists them.
std::vector<std::string> DirectoryOrder(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    while (dirent* entry = dir ? readdir(dir) : nullptr)
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    if (dir)
        closedir(dir);
    return names;
}

// Four shares, numbered depth-first from the root (1) after the global
// random stream (2); each share's top folder lists its random stream first.
//   Abba 3, its stream 4, Box 5, Box's eight empty folders 6..13
//   Beatles 14, stream 15, Intro.mp3 16
//   Madonna 17, stream 18, "Plain Song.mp3" 19 (no tag)
//   Queen 20, stream 21
class BrowseTest : public DispatchTest {
protected:
    void SetUp() override {
        for (const char* share : {"Abba", "Beatles", "Madonna", "Queen"})
            AddShare(share);
        for (int i = 1; i <= 8; ++i)
            s.music.MakeDir("Abba/Box/folder " + std::to_string(i));
        s.music.Write("Beatles/Intro.mp3", std::string(300, 'x'));
        s.music.Write("Madonna/Plain Song.mp3", std::string(300, 'y'));
        Build();
        player = AddUser("Player", Identity);
        Start();
    }
    // Box's folders `from` to `to` (exclusive) as Outline shows them.
    std::string Box(size_t from, size_t to) {
        std::vector<std::string> names = DirectoryOrder(s.music / "Abba/Box");
        std::string text;
        for (size_t k = from; k < to; ++k)
            text += "[" + names.at(k) + "]*#" + std::to_string(6 + k) + ", ";
        return text;
    }

    UserList::Entry player;
};

// Browsing the root from its start draws a new seed for the device's
// random stream orders.
TEST_F(BrowseTest, WindowsSuperScrollAndNewStarts) {
    const std::string shares = "[Abba]#3, [Beatles]#14, [Madonna]#17, [Queen]#20, ";
    const struct {
        std::string body, outline;
        bool reseeds = false;
    } cases[] = {
        {"<Request></Request>", shares + "| 4 0 4", true},
        {BrowseBody("5", "5", "10"), Box(5, 8) + "| 8 5 3"},
        {BrowseBody("5", "1", "2"), Box(1, 3) + "| 8 1 2"},
        // Below the first level folders carry the marker byte; streams never.
        {BrowseBody("3"), "[[Random stream]]#4, [Box]*#5, | 2 0 2"},
        // superScroll starts at the first name at or after the letter, from
        // fromindex on; element names and the letter ignore case.
        {"<Request><superscroll>m</superscroll></Request>", "[Madonna]#17, [Queen]#20, | 4 2 2"},
        {BrowseBody("", "3", "", "A"), "[Queen]#20, | 4 3 1"},
        // Past every name fromindex stays: from 0 that is a new start.
        {BrowseBody("", "", "", "Z"), shares + "| 4 0 4", true},
        {BrowseBody("", "1", "", "Z"), "[Beatles]#14, [Madonna]#17, [Queen]#20, | 4 1 3"},
        // A window beyond the end lists nothing and shows the counts as
        // computed; a huge count is cut without wrapping around.
        {BrowseBody("5", "2147483647", "1000"), "| 8 2147483647 -2147483639"},
        {BrowseBody("5", "20", "3"), "| 8 20 -12"},
        {BrowseBody("5", "5", "2147483647"), Box(5, 8) + "| 8 5 3"},
        {BrowseBody("5", "0", "-3"), "| 8 0 -3"},
        // A number is read as its leading digits.
        {BrowseBody(" 5 folders", "+6abc", "1x"), Box(6, 7) + "| 8 6 1"},
    };
    std::string tag;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        s.users.Reseed(player, 1);
        DevicePage page = Device().Page(c.body);
        EXPECT_EQ(Outline(page), c.outline);
        // A new seed is the current time in seconds.
        double seed = s.users.ActivityOf(player).randomSeed;
        EXPECT_NEAR(seed, c.reseeds ? static_cast<double>(std::time(nullptr)) : 1, 5.0);
        // Every listing of one index build carries its time as the tag.
        tag = tag.empty() ? page.etag : tag;
        EXPECT_EQ(page.http.status + " " + page.http.Value("Content-Type") + " " + page.etag,
                  "HTTP/1.1 200 OK text/xml " + tag);
    }
    EXPECT_THAT(tag, testing::MatchesRegex("[0-9a-f]{16}"));
    // A negative start lists nothing, with superScroll too.
    for (const char* from : {"-1", "-2147483648"}) {
        for (const std::string& body :
             {BrowseBody("5", from, "1000"), BrowseBody("5", from, "", "A")}) {
            Answer answer = Device().Post(body);
            EXPECT_TRUE(answer.raw.empty() ||
                        answer.body.find("<numelem>0</numelem><") != std::string::npos)
                << answer.raw;
        }
    }
}

// The URL takes the Host header and the identity as sent; a listing made
// for another device and host first must not leak into this one.
TEST_F(BrowseTest, ASongsStreamUrlIsForTheAskingDeviceAndHost) {
    ASSERT_EQ(Outline(Device().Page(BrowseBody("17"))),
              "[[Random stream]]#18, Plain Song#19, | 2 0 2");
    AddUser("Upper", "ABCDEF0123456789");
    std::string answer = Device().Exchange("POST /x?eui64=ABCDEF0123456789 HTTP/1.1\r\n"
                                           "Host: music.example:8080\r\nContent-Length: 26\r\n\r\n"
                                           "<r><NodeID>17</NodeID></r>");
    EXPECT_NE(answer.find("<url>http://music.example:8080/ABCDEF0123456789.00000013</url>"),
              std::string::npos)
        << answer;
}

TEST_F(BrowseTest, WrongRequestsEndTheConnectionWithoutAnswer) {
    size_t before = s.log.Count();
    for (const std::string& body : std::vector<std::string>{
             "", "not xml at all", "<Request><NodeID>1</NodeID>", "<Request></Other>",
             std::string(10000, '<'), std::string("<Request>\0</Request>", 20),
             // A prolog that does not end, or text after it.
             "<!-- open" + BrowseBody("5"), "<?x?>text" + BrowseBody("5")}) {
        SCOPED_TRACE(Printable(body.substr(0, 60)));
        EXPECT_EQ(Device().Post(body).raw, "");
        // The same from a device no entry carries: parsing comes first.
        EXPECT_EQ(Device("1111222233334444").Post(body).raw, "");
    }
    // Songs, radio and nodes outside the index get no listing either.
    for (const char* node : {"16", "0", "22", "-1", "99999999999", "text"})
        EXPECT_EQ(Device().Post(BrowseBody(node)).raw, "") << node;
    EXPECT_TRUE(s.log.LinesFrom(before).empty());
    EXPECT_EQ(s.users.ActivityOf(player).status, "");
    EXPECT_EQ(s.users.Count(), 1u);
    // What some players send before the root element is skipped.
    std::string plain = Device().Page(BrowseBody("5")).http.body;
    for (const std::string prolog :
         {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<?xml version=\"1.0\"?>\r\n<!-- nav -->\n",
          "<!-- a > b --><?pi x?> "})
        EXPECT_EQ(Device().Page(prolog + BrowseBody("5")).http.body, plain) << prolog;
}

// Browsers get a page that names what they asked for, escaped, and the
// connection ends.
// One request must not make the server format a whole library.
TEST_F(DispatchTest, APageHoldsAtMostAThousandItemsAndTheTotalStaysExact) {
    AddShare("Big");
    for (int i = 0; i < 1200; ++i)
        s.music.Write("Big/" + std::to_string(10000 + i) + ".mp3", "");
    Build();
    AddUser("Player", Identity);
    Start();
    // Without numelem a device asks for as many as a page holds.
    for (const std::string& body : {BrowseBody("3", "100", "5000"), BrowseBody("3", "100")}) {
        DevicePage page = Device().Page(body);
        ASSERT_TRUE(page.data) << page.error;
        EXPECT_EQ(page.data->items.size(), 1000u);
        EXPECT_EQ(Outline(page).substr(Outline(page).find('|')), "| 1201 100 1000");
    }
}

} // namespace
} // namespace tb::test
