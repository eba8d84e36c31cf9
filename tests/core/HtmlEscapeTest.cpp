#include "core/HtmlEscape.h"

#include <gtest/gtest.h>
#include <ostream>

namespace tb {

// Failure messages show a String's text.
[[maybe_unused]] static void PrintTo(const String& s, std::ostream* os) {
    *os << '"' << s.View() << '"';
}

namespace {

TEST(HtmlEscapeTest, ReplacesTheFourMarkupCharacters) {
    EXPECT_EQ(HtmlEscape("Tom & Jerry <live> \"1999\""),
              "Tom &amp; Jerry &lt;live&gt; &quot;1999&quot;");
    EXPECT_EQ(HtmlEscape("&"), "&amp;");
    EXPECT_EQ(HtmlEscape("<<>>"), "&lt;&lt;&gt;&gt;");
    EXPECT_EQ(HtmlEscape("x\""), "x&quot;");
    EXPECT_EQ(HtmlEscape("&amp;"), "&amp;amp;"); // text, not markup: escaped again
    EXPECT_EQ(HtmlEscape("it's"), "it's");
    EXPECT_EQ(HtmlEscape(String("a\0&", 3)), String("a\0&amp;", 7));
    EXPECT_EQ(HtmlEscape("Caf\xc3\xa9 & Bar"), "Caf\xc3\xa9 &amp; Bar");
}

TEST(HtmlEscapeTest, CleanTextComesBackShared) {
    String clean = "Abbey Road (Remastered) - 01.mp3";
    EXPECT_TRUE(HtmlEscape(clean).c_str() == clean.c_str());
    EXPECT_EQ(HtmlEscape(String()), "");
}

} // namespace
} // namespace tb
