// Which device POSTs are admitted: the entry's identity, permission bit and
// address binding, the first of equal entries, and automatic admission.
#include "dispatch/DeviceTest.h"
#include "support/ChangeSettings.h"
#include "web/WebUser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tb::test {
namespace {

// What an admitted device gets for the root of an empty library.
const std::string EmptyRoot = Listing("", 0, 0, 0);

class AdmissionTest : public DeviceTest {
protected:
    void SetUp() override {
        s.Build();
        Start();
    }
    void SetAutomaticAdmission(bool on) {
        ChangeSettings(s.settings, [on](Settings& values) { values.autoAuthorizeUnits = on; });
    }
    // The body the device gets for a root browse.
    std::string Browse(const std::string& identity, const char* source = "127.0.0.1") {
        return BodyOf(Post(identity, BrowseBody("1"), source));
    }
};

TEST_F(AdmissionTest, AddressZeroAdmitsFromAnyAddressUntilTheFirstPostBindsIt) {
    auto player = s.AddUser(PlayerName, Identity, 1, 0);
    EXPECT_EQ(Browse(Identity, "127.0.0.2"), EmptyRoot);
    EXPECT_EQ(AddressOf(player), NetAddress("127.0.0.2"));
    EXPECT_EQ(s.ChangeCalls(), 1);

    // Bound now: another source address is refused, with no new entry.
    EXPECT_EQ(Browse(Identity, "127.0.0.1"), ForbiddenBody);
    EXPECT_EQ(AddressOf(player), NetAddress("127.0.0.2"));
    EXPECT_EQ(s.users.Count(), 1u);

    // The bound address still works, and an unchanged binding is not saved.
    EXPECT_EQ(Browse(Identity, "127.0.0.2"), EmptyRoot);
    EXPECT_EQ(s.ChangeCalls(), 1);
}

TEST_F(AdmissionTest, AnEntryBoundToTheSameAddressIsNotSavedAgain) {
    auto player = s.AddUser(PlayerName, Identity, 1, NetAddress("127.0.0.1"));
    EXPECT_EQ(Browse(Identity), EmptyRoot);
    EXPECT_EQ(Browse(Identity), EmptyRoot);
    EXPECT_EQ(s.ChangeCalls(), 0);
    EXPECT_EQ(AddressOf(player), NetAddress("127.0.0.1"));
}

TEST_F(AdmissionTest, PermissionBitZeroDecides) {
    auto two = s.AddUser("Two", "aaaaaaaaaaaaaaaa", 2, 0);
    auto three = s.AddUser("Three", "bbbbbbbbbbbbbbbb", 3, 0);
    size_t linesBefore = s.log.Count();

    EXPECT_EQ(Browse("aaaaaaaaaaaaaaaa"), ForbiddenBody);
    // A refused entry is neither bound nor replaced by automatic admission,
    // and a refusal logs nothing.
    EXPECT_EQ(AddressOf(two), 0u);
    EXPECT_EQ(s.users.Count(), 2u);
    EXPECT_EQ(s.ChangeCalls(), 0);
    EXPECT_TRUE(s.log.LinesFrom(linesBefore).empty());

    EXPECT_EQ(Browse("bbbbbbbbbbbbbbbb"), EmptyRoot);
    EXPECT_EQ(AddressOf(three), NetAddress("127.0.0.1"));
}

TEST_F(AdmissionTest, IdentitiesCompareWithCase) {
    SetAutomaticAdmission(false);
    s.AddUser(PlayerName, "0123456789ABCDEF", 1, 0);
    EXPECT_EQ(Browse("0123456789abcdef"), ForbiddenBody);
    EXPECT_EQ(Browse("0123456789ABCDEF"), EmptyRoot);
}

TEST_F(AdmissionTest, TheFirstOfTwoEntriesWithTheSameIdentityDecides) {
    s.AddUser("Refusing", "cccccccccccccccc", 2, 0);
    s.AddUser("Admitting", "cccccccccccccccc", 1, 0);
    EXPECT_EQ(Browse("cccccccccccccccc"), ForbiddenBody);

    auto first = s.AddUser("First", Identity, 1, 0);
    auto second = s.AddUser("Second", Identity, 1, 0);
    EXPECT_EQ(BodyOf(Post(Identity, "<RequestInfo></RequestInfo>")), "test");
    EXPECT_EQ(s.log.Lines().back(), "[First]: Pressed INFO!");
    EXPECT_EQ(AddressOf(first), NetAddress("127.0.0.1"));
    EXPECT_EQ(AddressOf(second), 0u);
    EXPECT_EQ(ActivityOf(first).status, "Info");
    EXPECT_EQ(ActivityOf(second).status, "");
}

TEST_F(AdmissionTest, AutomaticAdmissionGivesANewDeviceOneEntryOfItsOwn) {
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Browse("00112233aabbccdd"), EmptyRoot);

    ASSERT_EQ(s.users.Count(), 1u);
    auto device = std::dynamic_pointer_cast<WebUser>(s.users.Entries()[0]);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->name, "Unit ccdd");
    EXPECT_EQ(device->id, "00112233aabbccdd");
    EXPECT_EQ(device->permission, 1u);
    EXPECT_EQ(AddressOf(device), NetAddress("127.0.0.1"));
    EXPECT_FALSE(device->password.IsEmpty());
    EXPECT_EQ(s.ChangeCalls(), 1) << "the new entry must be saved once";
    // One line tells of the admission; then the device browses as itself.
    auto lines = s.log.LinesFrom(linesBefore);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "[Unit ccdd]: Seeding");
    EXPECT_EQ(lines[2], "[Unit ccdd]: Reading 'Tune Bridge'");

    // The second visit finds the entry: nothing new, nothing saved.
    linesBefore = s.log.Count();
    EXPECT_EQ(Browse("00112233aabbccdd"), EmptyRoot);
    EXPECT_EQ(s.users.Count(), 1u);
    EXPECT_EQ(s.ChangeCalls(), 1);
    EXPECT_EQ(s.log.LinesFrom(linesBefore).size(), 2u);

    // Another device gets another entry with a password of its own.
    EXPECT_EQ(Browse("99887766554433ff"), EmptyRoot);
    ASSERT_EQ(s.users.Count(), 2u);
    auto other = std::dynamic_pointer_cast<WebUser>(s.users.Entries()[1]);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->name, "Unit 33ff");
    EXPECT_NE(other->password, device->password);
    EXPECT_EQ(s.ChangeCalls(), 2);
}

TEST_F(AdmissionTest, AutomaticAdmissionStopsAtItsLimitAndSaysSoOnce) {
    ChangeSettings(s.settings, [](Settings& values) { values.maxAutoUnits = 2; });
    s.AddUser("Person", "person", 1, 0); // a web user does not count
    EXPECT_EQ(Browse("00000000000000a1"), EmptyRoot);
    EXPECT_EQ(Browse("00000000000000a2"), EmptyRoot);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Browse("00000000000000a3"), ForbiddenBody);
    EXPECT_EQ(Browse("00000000000000a4"), ForbiddenBody);
    EXPECT_EQ(s.users.Count(), 3u);
    EXPECT_EQ(s.ChangeCalls(), 2);
    EXPECT_THAT(s.log.LinesFrom(linesBefore),
                testing::ElementsAre("New units are refused: 2 are admitted already, the most "
                                     "General/MaxAutoUnits allows (last: 00000000000000a3 from "
                                     "127.0.0.1)."));
    // Known devices go on as before.
    EXPECT_EQ(Browse("00000000000000a1"), EmptyRoot);
}

TEST_F(AdmissionTest, AutomaticAdmissionAlsoAnswersTheInfoButton) {
    EXPECT_EQ(BodyOf(Post("00112233aabbccdd", "<RequestInfo></RequestInfo>")), "test");
    EXPECT_EQ(s.log.Lines().back(), "[Unit ccdd]: Pressed INFO!");
    EXPECT_EQ(s.users.Count(), 1u);
}

TEST_F(AdmissionTest, WithoutAutomaticAdmissionAnUnknownDeviceStaysOutside) {
    SetAutomaticAdmission(false);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Browse("00112233aabbccdd"), ForbiddenBody);
    EXPECT_EQ(BodyOf(Post("00112233aabbccdd", "<Request></Request>")), ServerEntryBody);
    EXPECT_EQ(s.users.Count(), 0u);
    EXPECT_EQ(s.ChangeCalls(), 0);
    EXPECT_TRUE(s.log.LinesFrom(linesBefore).empty());
}

TEST_F(AdmissionTest, AnEntryBoundElsewhereStaysRefusedWithAutomaticAdmission) {
    auto player = s.AddUser(PlayerName, Identity, 1, NetAddress("127.0.0.2"));
    EXPECT_EQ(Browse(Identity, "127.0.0.1"), ForbiddenBody);
    EXPECT_EQ(s.users.Count(), 1u);
    EXPECT_EQ(AddressOf(player), NetAddress("127.0.0.2"));
    EXPECT_EQ(s.ChangeCalls(), 0);
}

testing::Matcher<std::string> RefusalLine() {
    return testing::MatchesRegex("Unauthorized access attempted from 127\\.0\\.0\\.1:[0-9]+");
}

// Only what a stream URL can carry is a device identity: anything else
// could never play, and a login name sent as one would bind that login to
// the sender's address.
TEST_F(AdmissionTest, IdentitiesOtherThanSixteenHexDigitsAreRefusedAndLogged) {
    auto admin = s.AddUser("Admin", "admin", 1, 0);
    const std::string identities[] = {
        "",
        "admin",
        "abc",
        "0123456789abcde",
        "0123456789abcdef0",
        "0123456789abcdeg",
        std::string(200, 'a'),
        "0123456789ab\xc3\xa9"
        "cd",
        "0123\x01"
        "56789abcdef",
    };
    for (const std::string& identity : identities) {
        SCOPED_TRACE(testing::PrintToString(identity));
        size_t linesBefore = s.log.Count();
        EXPECT_EQ(BodyOf(Post(identity, "<Request></Request>")), ServerEntryBody);
        EXPECT_EQ(Browse(identity), ForbiddenBody);
        EXPECT_THAT(s.log.LinesFrom(linesBefore),
                    testing::ElementsAre(RefusalLine(), RefusalLine()));
    }
    // And a POST without any eui64 parameter.
    bool closed = false;
    std::string answer = Exchange(s.port,
                                  "POST /nav_data HTTP/1.1\r\nContent-Length: 19\r\n\r\n"
                                  "<Request></Request>",
                                  closed);
    EXPECT_EQ(BodyOf(answer), ServerEntryBody);
    EXPECT_EQ(s.users.Count(), 1u);
    EXPECT_EQ(AddressOf(admin), 0u);
    EXPECT_EQ(s.ChangeCalls(), 0);
}

} // namespace
} // namespace tb::test
