// Stream locators, the child sort and the first-letter test of nodes.
#include "library/ChildSort.h"
#include "library/FolderNode.h"
#include "library/StreamLocator.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

TEST(StreamLocatorTest, ReadsTheExactFormsOnly) {
    auto plain = StreamLocator::Parse("0123456789abcdef.0000001a");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->unit, "0123456789abcdef");
    EXPECT_EQ(plain->nodeId, 26);
    EXPECT_EQ(plain->extra, 0xFFFFFFFFu);

    auto extra = StreamLocator::Parse("0123456789ABCDEF.0000001A.0000ff01");
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->unit, "0123456789ABCDEF");
    EXPECT_EQ(extra->nodeId, 26);
    EXPECT_EQ(extra->extra, 0xff01u);

    for (const char* bad :
         {"0123456789abcde.0000001a", "0123456789abcdef0.0000001a", "0123456789abcdef.0000001",
          "0123456789abcdef.0000001a0", "0123456789abcdeg.0000001a", "0123456789abcdef.0000001a.",
          "0123456789abcdef-0000001a", "0123456789abcdef.0000001a.0000001",
          "0123456789abcdef.0000001a.00000010x", "0123456789abcdef.+000001a", "", "."})
        EXPECT_FALSE(StreamLocator::Parse(bad)) << bad;
}

TEST(StreamLocatorTest, WritesEightLowerCaseDigits) {
    StreamLocator locator;
    locator.nodeId = 26;
    EXPECT_EQ(locator.ToString(), "0000000000000000.0000001a");
    locator.unit = "0123456789abcdef";
    locator.nodeId = 0x7fffffff;
    EXPECT_EQ(locator.ToString(), "0123456789abcdef.7fffffff");
    auto back = StreamLocator::Parse(locator.ToString().View());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->nodeId, 0x7fffffff);
}

TEST(ChildSortTest, TrackPrefixIsSkippedOnlyBeforeADash) {
    EXPECT_STREQ(SkipTrackPrefix("01 - Intro"), "Intro");
    EXPECT_STREQ(SkipTrackPrefix("01-Intro"), "Intro");
    EXPECT_STREQ(SkipTrackPrefix("01 Intro"), "01 Intro");
    EXPECT_STREQ(SkipTrackPrefix("2Pac"), "2Pac");
    EXPECT_STREQ(SkipTrackPrefix("12  -   "), "");
    EXPECT_STREQ(SkipTrackPrefix("-1 x"), "-1 x");
    EXPECT_STREQ(SkipTrackPrefix(""), "");
}

TEST(ChildSortTest, SortsIgnoringCaseAndRecursesIntoFolders) {
    FolderNode root("root", nullptr, nullptr, "", FolderNode::Ownership::Owning);
    auto* sub = new FolderNode("b-folder", &root, nullptr, "", FolderNode::Ownership::Owning);
    sub->AddChild(new FolderNode("Zed", sub, nullptr, "", FolderNode::Ownership::Owning));
    sub->AddChild(new FolderNode("alpha", sub, nullptr, "", FolderNode::Ownership::Owning));
    root.AddChild(new FolderNode("01 - B", &root, nullptr, "", FolderNode::Ownership::Owning));
    root.AddChild(sub);
    root.AddChild(new FolderNode("a", &root, nullptr, "", FolderNode::Ownership::Owning));
    SortChildren(root);
    std::vector<std::string> top, inner;
    for (auto* c : root.Children())
        top.emplace_back(c->Name().View());
    for (auto* c : sub->Children())
        inner.emplace_back(c->Name().View());
    // "01 - B" compares as "B", after "a" and before "b-folder".
    EXPECT_EQ(top, (std::vector<std::string>{"a", "01 - B", "b-folder"}));
    EXPECT_EQ(inner, (std::vector<std::string>{"alpha", "Zed"}));
}

TEST(MediaNodeTest, StartsAtOrAfterComparesUpperCasedFirstCharacters) {
    FolderNode m("monkey", nullptr, nullptr, "", FolderNode::Ownership::Owning);
    EXPECT_TRUE(m.StartsAtOrAfter("M"));
    EXPECT_TRUE(m.StartsAtOrAfter("a"));
    EXPECT_FALSE(m.StartsAtOrAfter("n"));
    EXPECT_TRUE(m.StartsAtOrAfter(""));
    FolderNode empty("", nullptr, nullptr, "", FolderNode::Ownership::Owning);
    EXPECT_FALSE(empty.StartsAtOrAfter("A"));
    EXPECT_TRUE(empty.StartsAtOrAfter(""));
    // Bytes above 127 count as negative, so they sort before the letters.
    FolderNode accented("\xC4pple", nullptr, nullptr, "", FolderNode::Ownership::Owning);
    EXPECT_FALSE(accented.StartsAtOrAfter("A"));
}

} // namespace
} // namespace tb
