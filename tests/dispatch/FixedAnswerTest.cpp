// The answers the device dispatch sends itself: the one-item listings of a
// refused device and the INFO button, byte for byte with their header.
#include "dispatch/DeviceTest.h"
#include "support/ChangeSettings.h"

#include <gtest/gtest.h>
#include <thread>

namespace tb::test {
namespace {

class FixedAnswerTest : public DeviceTest {
protected:
    void SetUp() override {
        s.Build();
        ChangeSettings(s.settings, [](Settings& values) { values.autoAuthorizeUnits = false; });
        Start();
    }
};

TEST_F(FixedAnswerTest, AnUnregisteredDeviceSeesTheServerEntryOrAccessForbidden) {
    size_t linesBefore = s.log.Count();
    const std::string serverEntry = Xml200Answer(ServerEntryBody, FixedAnswerTag());
    const std::string forbidden = Xml200Answer(ForbiddenBody, FixedAnswerTag());
    EXPECT_EQ(Post(Identity, "<Request><NodeID>0</NodeID></Request>"), serverEntry);
    EXPECT_EQ(Post(Identity, "<Request></Request>"), serverEntry);
    EXPECT_EQ(Post(Identity, "<Request><contentdata>x</contentdata></Request>"), serverEntry);
    // A NodeID that reads as 0 is no node either.
    EXPECT_EQ(Post(Identity, "<Request><NodeID>zero</NodeID></Request>"), serverEntry);
    EXPECT_EQ(Post(Identity, "<Request><NodeID>5</NodeID></Request>"), forbidden);
    EXPECT_EQ(Post(Identity, "<Request><nodeid>1</nodeid></Request>"), forbidden);
    EXPECT_EQ(Post(Identity, "<Request><NODEID>-1</NODEID></Request>"), forbidden);
    // The INFO button of a refused device is refused the same way.
    EXPECT_EQ(Post(Identity, "<RequestInfo></RequestInfo>"), serverEntry);
    EXPECT_TRUE(s.log.LinesFrom(linesBefore).empty()) << "a refusal logs nothing";
}

TEST_F(FixedAnswerTest, TheFixedAnswersKeepTheirTagUntilTheNextBuild) {
    std::string before = Post(Identity, "<Request></Request>");
    EXPECT_EQ(before, Post(Identity, "<Request></Request>"));
    // The tag shows whole seconds: let the next build fall in a later one.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    s.Build();
    std::string after = Post(Identity, "<Request></Request>");
    EXPECT_NE(after, before);
    EXPECT_EQ(after, Xml200Answer(ServerEntryBody, FixedAnswerTag()));
}

TEST_F(FixedAnswerTest, TheInfoButtonGetsTestAndOneLogLine) {
    auto player = s.AddUser(PlayerName, Identity);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Post(Identity, "<RequestInfo></RequestInfo>"),
              Xml200Answer("test", FixedAnswerTag()));
    EXPECT_EQ(s.log.LinesFrom(linesBefore), std::vector<std::string>{"[Player]: Pressed INFO!"});
    EXPECT_EQ(ActivityOf(player).status, "Info");
    EXPECT_EQ(AddressOf(player), NetAddress("127.0.0.1"));

    // The root element's name ignores case; its children do not matter.
    EXPECT_EQ(BodyOf(Post(Identity, "<requestinfo><NodeID>3</NodeID></requestinfo>")), "test");
}

TEST_F(FixedAnswerTest, AnEmptyInfoTagAloneIsMalformedAndGetsNoAnswer) {
    s.AddUser(PlayerName, Identity);
    size_t linesBefore = s.log.Count();
    EXPECT_EQ(Post(Identity, "<RequestInfo/>"), "");
    EXPECT_TRUE(s.log.LinesFrom(linesBefore).empty());
    ExpectServing();
}

} // namespace
} // namespace tb::test
