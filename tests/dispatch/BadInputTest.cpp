// What devices may send that is wrong: broken POST bodies, odd numbers,
// stream locators that do not parse, nodes that cannot play, devices that
// are not admitted. Each gets its answer or a silent close, and the server
// goes on serving.
#include "dispatch/DeviceTest.h"

#include <gtest/gtest.h>

namespace tb::test {
namespace {

// One share "Music" (3) with its stream (4), folder Box (5) with eight
// empty folders (6..13), and Song.mp3 (14).
class BadInputTest : public DeviceTest {
protected:
    void SetUp() override {
        s.AddShare("Music");
        for (int i = 1; i <= 8; ++i)
            s.music.MakeDir("Music/Box/f" + std::to_string(i));
        s.music.Write("Music/Song.mp3", "bytes");
        s.Build();
        player = s.AddUser(PlayerName, Identity);
        Start();
    }
    // A request that must end without an answer and without a log line.
    void ExpectSilentClose(const std::string& request) {
        size_t linesBefore = s.log.Count();
        bool closed = false;
        EXPECT_EQ(Exchange(s.port, request, closed), "");
        EXPECT_TRUE(closed);
        EXPECT_TRUE(s.log.LinesFrom(linesBefore).empty());
    }
    // A device GET that must end without an answer after logging `line`
    // with the client's address and port in place of "@".
    void ExpectRefusedGet(const std::string& target, const std::string& line) {
        LoopbackClient client(s.port);
        std::string peer = "127.0.0.1:" + std::to_string(client.LocalPort());
        size_t linesBefore = s.log.Count();
        client.Send(DeviceGetText(target, s.port));
        bool closed = false;
        EXPECT_EQ(client.ReadToEnd(closed), "");
        EXPECT_TRUE(closed);
        std::string expected = line;
        expected.replace(expected.find('@'), 1, peer);
        EXPECT_EQ(s.log.LinesFrom(linesBefore), std::vector<std::string>{expected});
    }
    // A valid-looking locator of `identity` for wire ID `node` (8 digits).
    static std::string Locator(const std::string& identity, const std::string& node) {
        return "/" + identity + "." + node;
    }

    UserList::Entry player;
};

TEST_F(BadInputTest, BrokenPostBodiesEndTheConnectionWithoutAnswer) {
    std::string nested;
    for (int i = 0; i < 3000; ++i)
        nested += "<a>";
    const std::string bodies[] = {
        "",
        "not xml at all",
        "<",
        "<Request><NodeID>1</NodeID>",
        "<Request></Other>",
        "<a><b>1</a>",
        nested,
        std::string(10000, '<'),
        std::string("<Request>\0</Request>", 20),
    };
    for (const std::string& body : bodies) {
        SCOPED_TRACE(testing::PrintToString(body.substr(0, 40)));
        ExpectSilentClose(PostText(Identity, body, s.port));
        // The same from a device no entry carries: parsing comes first.
        ExpectSilentClose(PostText("1111222233334444", body, s.port));
    }
    EXPECT_EQ(s.users.Count(), 1u);
    ExpectServing();
}

TEST_F(BadInputTest, AnXmlDeclarationCommentsAndInstructionsBeforeTheRootAreSkipped) {
    std::string plain = BodyOf(Post(Identity, BrowseBody("5")));
    ASSERT_NE(plain.find("<totnumelem>8</totnumelem>"), std::string::npos) << plain;
    for (const std::string prolog :
         {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<?xml version=\"1.0\"?>\r\n<!-- nav -->\n",
          "<!-- a > b --><?pi x?> "}) {
        EXPECT_EQ(BodyOf(Post(Identity, prolog + BrowseBody("5"))), plain) << prolog;
    }
    for (const std::string broken : {"<?xml version=\"1.0\"", "<!-- open", "<?x?>text"})
        ExpectSilentClose(PostText(Identity, broken + BrowseBody("5"), s.port));
}

TEST_F(BadInputTest, NodeIdsOutsideTheIndexGetNoAnswer) {
    for (const char* node :
         {"-1", "0", "15", "2147483647", "99999999999", "-2147483648", "text", "", "14"}) {
        SCOPED_TRACE(node);
        ExpectSilentClose(PostText(Identity, BrowseBody(node), s.port));
    }
    ExpectServing();
}

TEST_F(BadInputTest, ANumberIsReadAsItsLeadingDigits) {
    EXPECT_EQ(NodeIds(BodyOf(Post(Identity, BrowseBody(" 5 folders", "+6abc", "1x")))),
              std::vector<int>{12});
}

TEST_F(BadInputTest, AWindowBeyondTheEndListsNothingAndShowsTheCountsAsComputed) {
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Post(Identity, BrowseBody("5", "2147483647", "1000")),
              Xml200Answer(Listing("", 8, 2147483647, 8 - 2147483647), ListingTag()));
    EXPECT_EQ(BodyOf(Post(Identity, BrowseBody("5", "8", "1000"))), Listing("", 8, 8, 0));
    EXPECT_EQ(BodyOf(Post(Identity, BrowseBody("5", "20", "3"))), Listing("", 8, 20, -12));
    // A huge count is cut to the end of the list without wrapping around.
    EXPECT_EQ(NodeIds(BodyOf(Post(Identity, BrowseBody("5", "5", "2147483647")))),
              (std::vector<int>{11, 12, 13}));
    EXPECT_EQ(s.log.LinesFrom(linesBefore).size(), 4u);
    ExpectServing();
}

TEST_F(BadInputTest, ZeroOrNegativeCountsListNothing) {
    EXPECT_EQ(BodyOf(Post(Identity, BrowseBody("5", "0", "0"))), Listing("", 8, 0, 0));
    EXPECT_EQ(BodyOf(Post(Identity, BrowseBody("5", "0", "-3"))), Listing("", 8, 0, -3));
    EXPECT_EQ(BodyOf(Post(Identity, BrowseBody("5", "0", "-2147483648"))),
              Listing("", 8, 0, -2147483647 - 1));
    ExpectServing();
}

TEST_F(BadInputTest, ANegativeStartGetsAnOrderlyEmptyAnswerOrNone) {
    for (const char* from : {"-1", "-7", "-2147483648"}) {
        SCOPED_TRACE(from);
        std::string answer = Post(Identity, BrowseBody("5", from, "1000"));
        if (!answer.empty()) {
            EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
            EXPECT_EQ(BodyOf(answer).find("<contentdata>"), std::string::npos) << answer;
            EXPECT_NE(BodyOf(answer).find("<totnumelem>8</totnumelem>"), std::string::npos);
        }
        // With superScroll the search must not start before the list either.
        answer = Post(Identity, "<r><NodeID>5</NodeID><fromindex>" + std::string(from) +
                                    "</fromindex><superScroll>A</superScroll></r>");
        EXPECT_EQ(BodyOf(answer).find("<contentdata>"), std::string::npos) << answer;
    }
    ExpectServing();
}

TEST_F(BadInputTest, StreamLocatorsOfAnyOtherLengthAreMalformed) {
    const std::string full = "0123456789abcdef.0000000e.00000000";
    const std::string longer = full + "0123456";
    for (size_t length = 0; length <= longer.size(); ++length) {
        if (length == 25 || length == 34)
            continue;
        SCOPED_TRACE(length);
        ExpectRefusedGet("/" + longer.substr(0, length), "Malformed request received from @");
    }
    ExpectServing();
}

TEST_F(BadInputTest, StreamLocatorsWithAnyNonHexDigitAreMalformed) {
    const std::string full = "0123456789abcdef.0000000e.00000000";
    for (size_t at = 0; at < full.size(); ++at) {
        SCOPED_TRACE(at);
        for (char bad : {'g', 'G', ' ', '-', '.', 'x'}) {
            std::string locator = full;
            if (locator[at] == bad || (bad == '.' && (at == 16 || at == 25)))
                continue;
            // A space would end the request target; send it encoded.
            locator[at] = bad;
            std::string target = "/" + locator;
            if (bad == ' ')
                target = "/" + full.substr(0, at) + "%20" + full.substr(at + 1);
            ExpectRefusedGet(target, "Malformed request received from @");
        }
    }
    // A separator where a digit belongs, or a digit where "." belongs.
    ExpectRefusedGet("/0123456789abcdef00000000e", "Malformed request received from @");
    ExpectRefusedGet("/0123456789abcdef.0000000e000000000", "Malformed request received from @");
    ExpectServing();
}

TEST_F(BadInputTest, AValidLocatorForSomethingThatCannotPlayIsAnUnknownFileNode) {
    // The log names the node's index: one less than the number on the wire,
    // taken 32 bits wide, so the smallest one wraps.
    const std::pair<const char*, const char*> cases[] = {
        {"00000005", "4"},          {"00000004", "3"},         {"00000001", "0"},
        {"00000000", "-1"},         {"0000000F", "14"},        {"ffffffff", "-2"},
        {"80000000", "2147483647"}, {"7fffffff", "2147483646"}};
    for (const auto& [wire, index] : cases)
        ExpectRefusedGet(Locator(Identity, wire),
                         std::string("Attempted access to unknown file node (") + index +
                             ") from Player (@)");
    ExpectServing();
}

TEST_F(BadInputTest, AStreamForADeviceNotAdmittedIsUnauthorized) {
    s.AddUser("Barred", "aaaaaaaaaaaaaaaa", 2);
    s.AddUser("Elsewhere", "bbbbbbbbbbbbbbbb", 1, NetAddress("127.0.0.2"));
    s.AddUser("Upper", "CCCCCCCCCCCCCCCC", 1);
    for (const char* identity :
         {"aaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb", "cccccccccccccccc", "ffffffffffffffff"}) {
        SCOPED_TRACE(identity);
        ExpectRefusedGet(Locator(identity, "0000000e"), "Unauthorized access attempted from @");
    }
    // A stream request never admits a device automatically.
    EXPECT_EQ(s.users.Count(), 4u);
    EXPECT_EQ(s.ChangeCalls(), 0);
    ExpectServing();
}

} // namespace
} // namespace tb::test
