#include "core/TagValueCollection.h"

#include "core/Exceptions.h"

#include <cstring>
#include <gtest/gtest.h>
#include <ostream>

namespace tb {

// Failure messages show a String's text.
[[maybe_unused]] static void PrintTo(const String& s, std::ostream* os) {
    *os << '"' << s.View() << '"';
}

namespace {

TEST(TagValueCollectionTest, ParsesAHeaderBlockUpToTheBlankLine) {
    const char* text = "Content-Type: text/html\r\nicy-metaint:8192\r\n\r\nbody: not a header";
    TagValueCollection headers;
    int32_t stop = headers.Parse(text, ':', true);
    EXPECT_EQ(stop, strstr(text, "\r\n\r\n") + 2 - text);
    ASSERT_EQ(headers.Count(), 2);
    EXPECT_EQ(headers.At(0).tag, "Content-Type");
    EXPECT_EQ(headers.At(0).value, "text/html");
    EXPECT_EQ(headers.At(1).tag, "icy-metaint");
    EXPECT_EQ(headers.At(1).value, "8192");
}

TEST(TagValueCollectionTest, ALineWithoutSeparatorThrows) {
    TagValueCollection headers;
    try {
        headers.Parse("garbage\r\n", ':', true);
        FAIL() << "no exception";
    } catch (const GeneralException& e) {
        EXPECT_EQ(e.Value(), -1);
    }
    // The separator is looked for within the line only.
    EXPECT_THROW(headers.Parse("A: 1\r\nno separator\r\nB: 2\r\n", ':', true),
                 TagValueCollectionException);
    EXPECT_THROW(headers.Parse("last line", ':', false), TagValueCollectionException);
    // Without the stop an empty line is a line without separator.
    TagValueCollection strict;
    EXPECT_THROW(strict.Parse("A: 1\r\n\r\n", ':', false), TagValueCollectionException);
}

TEST(TagValueCollectionTest, LineEndingsTrimmingAndTheFirstSeparator) {
    const char* text = "  Host :\t example.org:8000 \r\n"
                       "X-Empty:\r\n"
                       "Lf-Only: yes\n"
                       "Last: no terminator";
    TagValueCollection headers;
    int32_t stop = headers.Parse(text, ':', true);
    EXPECT_EQ(stop, static_cast<int32_t>(strlen(text)));
    ASSERT_EQ(headers.Count(), 4);
    EXPECT_EQ(headers.At(0).tag, "Host");
    EXPECT_EQ(headers.At(0).value, "example.org:8000");
    EXPECT_EQ(headers.At(1).tag, "X-Empty");
    EXPECT_EQ(headers.At(1).value, "");
    EXPECT_EQ(headers.At(2).tag, "Lf-Only");
    EXPECT_EQ(headers.At(2).value, "yes");
    EXPECT_EQ(headers.At(3).tag, "Last");
    EXPECT_EQ(headers.At(3).value, "no terminator");

    TagValueCollection none;
    EXPECT_EQ(none.Parse("", ':', true), 0);
    EXPECT_EQ(none.Parse("\r\nA: 1\r\n", ':', true), 0);
    EXPECT_EQ(none.Count(), 0);
}

TEST(TagValueCollectionTest, ParseAppendsWithAnySeparator) {
    TagValueCollection pairs;
    pairs.Add("first", "1");
    const char* text = "File1=http://example.org/a?b=c\r\nTitle1 = Radio\r\n";
    EXPECT_EQ(pairs.Parse(text, '=', false), static_cast<int32_t>(strlen(text)));
    ASSERT_EQ(pairs.Count(), 3);
    EXPECT_EQ(pairs.At(0).tag, "first");
    EXPECT_EQ(pairs.At(1).tag, "File1");
    EXPECT_EQ(pairs.At(1).value, "http://example.org/a?b=c");
    EXPECT_EQ(pairs.At(2).tag, "Title1");
    EXPECT_EQ(pairs.At(2).value, "Radio");
}

TEST(TagValueCollectionTest, FindIgnoresCaseAndReturnsTheFirstMatch) {
    TagValueCollection headers;
    headers.Add("Content-Type", "text/html");
    headers.Add("Set-Cookie", "a=1");
    headers.Add("set-cookie", "b=2");
    const TagValue* found = headers.Find("CONTENT-TYPE");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->value, "text/html");
    found = headers.Find("SET-COOKIE");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->value, "a=1");
    EXPECT_EQ(headers.Find("Content"), nullptr);
    EXPECT_EQ(headers.Find("Content-Type-X"), nullptr);
    EXPECT_EQ(TagValueCollection().Find("x"), nullptr);
}

TEST(TagValueCollectionTest, PairToStringQuotesOnRequest) {
    TagValue pair{"name", "va lue"};
    EXPECT_EQ(pair.ToString("=", true), "name=\"va lue\"");
    EXPECT_EQ(pair.ToString(": ", false), "name: va lue");
    TagValue empty{"flag", ""};
    EXPECT_EQ(empty.ToString("=", true), "flag=\"\"");
}

} // namespace
} // namespace tb
