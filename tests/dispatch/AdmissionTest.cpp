// Which devices are admitted and what a refused one sees: the entry's
// identity, permission bit and address binding, the first of equal
// entries, automatic admission and its limit, and the fixed answers.
#include "dispatch/DispatchTest.h"
#include "support/ChangeSettings.h"

namespace tb::test {
namespace {

using testing::ElementsAre;

// The one-item listings a refused device gets, as players expect them.
std::string FixedListing(const std::string& name) {
    return "<contentdataset><contentdata><name>" + name +
           "</name><nodeid>1</nodeid><branch/></contentdata><totnumelem>1</totnumelem>"
           "<fromindex>0</fromindex><numelem>1</numelem></contentdataset>";
}
const std::string ServerEntry = FixedListing("Tune Bridge");
const std::string Forbidden = FixedListing("Access forbidden!");
// What an admitted device gets for the root of an empty library.
const std::string EmptyRoot = "| 0 0 0";

class AdmissionTest : public DispatchTest {
protected:
    void SetUp() override {
        Build();
        Start();
    }
    // What the device sees when it posts `xml`: "forbidden", "server
    // entry", or the listing in short.
    std::string Sees(const std::string& identity, const std::string& xml = BrowseBody("1"),
                     const char* source = "127.0.0.1") {
        DevicePage page = Device(identity, source).Page(xml);
        if (page.http.body != Forbidden && page.http.body != ServerEntry)
            return Outline(page);
        EXPECT_TRUE(page.http.Complete()) << page.http.raw;
        return page.http.body == Forbidden ? "forbidden" : "server entry";
    }
};

TEST_F(AdmissionTest, WithoutAutomaticAdmissionTheFirstEntryOfAnIdentityDecides) {
    ChangeSettings(s.settings, [](Settings& values) { values.autoAuthorizeUnits = false; });
    auto player = AddUser("Player", Identity);
    auto elsewhere = AddUser("Elsewhere", "bbbbbbbbbbbbbbbb", 1, NetAddress("127.0.0.2"));
    auto barred = AddUser("Barred", "aaaaaaaaaaaaaaaa", 2); // bit 0 decides
    auto three = AddUser("Three", "cccccccccccccccc", 3);
    AddUser("Upper", "0123456789ABCDEF"); // identities compare with case
    AddUser("Refusing", "dddddddddddddddd", 2);
    AddUser("Admitting", "dddddddddddddddd", 1);
    size_t before = s.log.Count();
    for (const char* identity : {"aaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb", "dddddddddddddddd"})
        EXPECT_EQ(Sees(identity), "forbidden") << identity;
    // A refusal logs nothing and binds nothing.
    EXPECT_TRUE(s.log.LinesFrom(before).empty());
    EXPECT_EQ(AddressOf(barred), 0u);
    EXPECT_EQ(AddressOf(elsewhere), NetAddress("127.0.0.2"));
    EXPECT_EQ(Sees("cccccccccccccccc"), EmptyRoot);
    EXPECT_EQ(Sees("0123456789ABCDEF"), EmptyRoot);
    EXPECT_EQ(Sees("bbbbbbbbbbbbbbbb", BrowseBody("1"), "127.0.0.2"), EmptyRoot);
    EXPECT_EQ(s.changes, 2); // the two entries bound to an address now
    EXPECT_EQ(AddressOf(three), NetAddress("127.0.0.1"));

    // Address 0 admits from anywhere until the first request binds it;
    // an unchanged binding is not saved again.
    EXPECT_EQ(Sees(Identity, BrowseBody("1"), "127.0.0.2"), EmptyRoot);
    EXPECT_EQ(AddressOf(player), NetAddress("127.0.0.2"));
    EXPECT_EQ(Sees(Identity), "forbidden");
    EXPECT_EQ(Sees(Identity, BrowseBody("1"), "127.0.0.2"), EmptyRoot);
    EXPECT_EQ(s.changes, 3);

    // A device without an entry sees the server entry for the top and
    // Forbidden for any node, which logs nothing and adds no entry.
    before = s.log.Count();
    const std::pair<const char*, const char*> cases[] = {
        {"<Request><NodeID>0</NodeID></Request>", "server entry"},
        {"<Request></Request>", "server entry"},
        {"<Request><NodeID>zero</NodeID></Request>", "server entry"}, // reads as 0: no node
        {"<RequestInfo></RequestInfo>", "server entry"},
        {"<Request><NodeID>5</NodeID></Request>", "forbidden"},
        {"<Request><NODEID>-1</NODEID></Request>", "forbidden"}};
    for (const auto& [xml, seen] : cases)
        EXPECT_EQ(Sees("eeeeeeeeeeeeeeee", xml), seen) << xml;
    EXPECT_TRUE(s.log.LinesFrom(before).empty());
    EXPECT_EQ(s.users.Count(), 7u);
    EXPECT_EQ(s.changes, 3);
}

TEST_F(AdmissionTest, AutomaticAdmissionGivesANewDeviceOneEntryUpToItsLimit) {
    ChangeSettings(s.settings, [](Settings& values) { values.maxAutoUnits = 3; });
    AddUser("Person", "person"); // a web user does not count
    AddUser("Bound", "bbbbbbbbbbbbbbbb", 1, NetAddress("127.0.0.2"));
    size_t before = s.log.Count();
    EXPECT_EQ(Sees("00112233aabbccdd"), EmptyRoot);
    auto device = std::dynamic_pointer_cast<WebUser>(s.users.Entries().back());
    ASSERT_TRUE(device);
    EXPECT_EQ(device->name + "|" + device->id, "Unit ccdd|00112233aabbccdd");
    EXPECT_EQ(device->permission, 1u);
    EXPECT_EQ(AddressOf(device), NetAddress("127.0.0.1"));
    EXPECT_FALSE(device->password.IsEmpty());
    EXPECT_EQ(s.changes, 1) << "the new entry must be saved once";
    EXPECT_THAT(s.log.LinesFrom(before),
                ElementsAre("New unit 'Unit ccdd' (00112233aabbccdd) admitted from 127.0.0.1.",
                            "[Unit ccdd]: Seeding", "[Unit ccdd]: Reading 'Tune Bridge'"));
    // The second visit finds the entry; an entry bound elsewhere stays
    // refused and is not replaced.
    EXPECT_EQ(Sees("00112233aabbccdd"), EmptyRoot);
    EXPECT_EQ(Sees("bbbbbbbbbbbbbbbb"), "forbidden");
    EXPECT_EQ(s.users.Count(), 3u);
    EXPECT_EQ(s.changes, 1);
    // Another device gets its own entry and password, also from INFO.
    EXPECT_EQ(Device("99887766554433ff").Post("<RequestInfo></RequestInfo>").body, "test");
    EXPECT_EQ(s.log.Lines().back(), "[Unit 33ff]: Pressed INFO!");
    auto other = std::dynamic_pointer_cast<WebUser>(s.users.Entries().back());
    EXPECT_EQ(other->name, "Unit 33ff");
    EXPECT_NE(other->password, device->password);

    // Three device entries now: new ones are refused, said once.
    before = s.log.Count();
    EXPECT_EQ(Sees("00000000000000a3"), "forbidden");
    EXPECT_EQ(Sees("00000000000000a4"), "forbidden");
    EXPECT_THAT(s.log.LinesFrom(before),
                ElementsAre("New units are refused: 3 are admitted already, the most "
                            "General/MaxAutoUnits allows (last: 00000000000000a3 from "
                            "127.0.0.1)."));
    EXPECT_EQ(s.users.Count(), 4u);
    EXPECT_EQ(s.changes, 2);
    EXPECT_EQ(Sees("00112233aabbccdd"), EmptyRoot);
}

// Only what a stream URL can carry is a device identity: anything else
// could never play, and a login name sent as one would bind that login to
// the sender's address.
TEST_F(AdmissionTest, IdentitiesOtherThanSixteenHexDigitsAreRefusedAndLogged) {
    auto admin = AddUser("Admin", "admin");
    // The last two carry a UTF-8 letter and a control byte.
    for (const std::string identity :
         {"", "admin", "0123456789abcde", "0123456789abcdef0", "0123456789abcdeg",
          "0123456789ab\303\251cd", "0123\00156789abcdef"}) {
        SCOPED_TRACE(testing::PrintToString(identity));
        size_t before = s.log.Count();
        EXPECT_EQ(Sees(identity, "<Request></Request>"), "server entry");
        EXPECT_EQ(Sees(identity), "forbidden");
        const auto refusal =
            testing::MatchesRegex("Unauthorized access attempted from 127\\.0\\.0\\.1:[0-9]+");
        EXPECT_THAT(s.log.LinesFrom(before), ElementsAre(refusal, refusal));
    }
    // And a POST without any eui64 parameter.
    EXPECT_EQ(Answer::Parse(Device().Exchange("POST /nav_data HTTP/1.1\r\nContent-Length: 19"
                                              "\r\n\r\n<Request></Request>"))
                  .body,
              ServerEntry);
    EXPECT_EQ(s.users.Count(), 1u);
    EXPECT_EQ(AddressOf(admin), 0u);
    EXPECT_EQ(s.changes, 0);
}

} // namespace
} // namespace tb::test
