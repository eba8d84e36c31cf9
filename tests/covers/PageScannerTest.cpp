// The steps of the cover site searches through a page, and query values.
#include "covers/PageScanner.h"

#include "covers/CrawlerException.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

const char* const Page = "<TD id=menu><b>Lumen Vale - Night Harbour</b>\n"
                         "<a title=x href=\"/show/1\"> Front </a>"
                         "<IMG alt=\"x\" SRC=\"http://img/1.jpg\">"
                         "<option value=\"a\">Lumen_Vale_-_Night-front</option><img alt=\"none\">";

TEST(PageScannerTest, StepsThroughAPage) {
    PageScanner scanner;
    scanner.SetPage(Page);
    EXPECT_TRUE(scanner.SkipPast("<td ID=MENU><B>"));
    EXPECT_FALSE(scanner.MatchText("Lumen Vale", false)); // more text follows
    scanner.SetPage(Page);
    scanner.SkipPast("<b>");
    EXPECT_TRUE(scanner.MatchText("lumen vale - night harbour"));
    EXPECT_EQ(scanner.NextAttribute("a", "href"), String("/show/1"));
    EXPECT_TRUE(scanner.ExpectText("FRONT"));
    EXPECT_EQ(scanner.NextAttribute("img", "src"), String("http://img/1.jpg"));
    EXPECT_EQ(scanner.NextAttribute("option", "value"), String("a"));
    EXPECT_TRUE(scanner.MatchText("Lumen_Vale_-_Night-front"));
    EXPECT_EQ(scanner.NextAttribute("img", "src", false), String()); // the next img has none
    EXPECT_THROW(scanner.NextAttribute("img", "src"), DizerOviziraObjectException);
    EXPECT_FALSE(scanner.SkipPast("<td", false));
    EXPECT_EQ(scanner.Cursor(), scanner.Page().size());
    EXPECT_THROW(scanner.SkipTags(1), DizerOviziraObjectException);
    EXPECT_THROW(scanner.ExpectText("x"), DizerOviziraObjectException);
}

TEST(PageScannerTest, SkipsTagsAndStopsAtThePageEnd) {
    PageScanner scanner;
    scanner.SetPage("<a><b><c>rest");
    EXPECT_TRUE(scanner.SkipTags(3));
    EXPECT_TRUE(scanner.ExpectText("rest"));
    EXPECT_FALSE(scanner.MatchText("", false)); // no "<" after the text
    scanner.SetPage("<a href=\"unterminated>");
    EXPECT_EQ(scanner.NextAttribute("a", "href", false), String());
    scanner.SetPage("");
    EXPECT_FALSE(scanner.SkipTags(1, false));
}

TEST(PageScannerTest, EncodesQueryValues) {
    EXPECT_EQ(UrlEncode("Lumen Vale & Co?#100%"), String("Lumen+Vale+%26+Co%3F%23100%25"));
    EXPECT_EQ(UrlEncode("Ostby\xE9\x01/+"), String("Ostby%E9%01/+"));
}

} // namespace
} // namespace tb
