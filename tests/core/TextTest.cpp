// The shared text type and the small text tools built on it: copy-on-write
// seen through the characters' address, and each operation as a table.
#include "core/Base64.h"
#include "core/HtmlEscape.h"
#include "core/LeadingInteger.h"
#include "core/TextBuilder.h"
#include "core/TextEncoding.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace tb {
namespace {

bool Shares(const String& a, const String& b) {
    return a.c_str() == b.c_str();
}

TEST(StringTest, CopiesShareUntilOneIsWritten) {
    String a = "abc", b = a;
    EXPECT_TRUE(Shares(a, b));
    b += "d";
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "abcd");
    String& alias = a;
    a = alias; // assigning itself must neither free nor unshare
    EXPECT_EQ(a, "abc");
    a = a.c_str() + 1; // its own tail
    EXPECT_EQ(a, "bc");
    // Empty strings share one buffer that writing never touches.
    String empty, cut = String("abc").Mid(3);
    EXPECT_TRUE(Shares(empty, cut));
    empty += "hello";
    String fresh;
    fresh.GetBuffer(0)[0] = 'q';
    fresh.ReleaseBuffer(1);
    EXPECT_STREQ(String().c_str(), "");
    // A buffer handed out is private: a copy keeps its text.
    String s = "abc", copy = s;
    strcpy(s.GetBuffer(10), "0123456789");
    s.ReleaseBuffer(10);
    EXPECT_EQ(copy, "abc");
    String t = s;
    s.ReleaseBuffer(4);
    EXPECT_EQ(s, "0123");
    EXPECT_EQ(t, "0123456789");
    // ReleaseBuffer measures up to the first NUL, or clamps to the buffer.
    memcpy(t.GetBuffer(0), "hi\0gh", 5);
    t.ReleaseBuffer();
    EXPECT_EQ(t, "hi");
    t.ReleaseBuffer(100000);
    EXPECT_LT(t.Length(), 100000);
    t.ReleaseBuffer(-2);
    EXPECT_EQ(t, "");
}

TEST(StringTest, CopiesMadeAndDroppedOnManyThreadsKeepTheCountExact) {
    String shared = "a text all threads copy from";
    const char* chars = shared.c_str();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i)
                EXPECT_TRUE(Shares(String(shared), shared));
        });
    for (auto& thread : threads)
        thread.join();
    shared = "short"; // every copy released: the buffer is its own again
    EXPECT_EQ(shared.c_str(), chars);
}

TEST(StringTest, AppendingKeepsEveryByteEvenOfItsOwnText) {
    String ab("a\0b", 3);
    EXPECT_EQ(ab.Length(), 3);
    EXPECT_NE(ab, "a"); // comparisons look at the whole length
    EXPECT_EQ(memcmp((ab + String("c")).c_str(), "a\0bc", 5), 0);
    String s = "abc";
    s += s; // into a new buffer
    EXPECT_EQ(s, "abcabc");
    String t = "abcdefghijklmnop";
    t.Append(t.c_str() + 1, 3); // in place
    t.Append("ignored", 0);
    t.Append("ignored", -3);
    EXPECT_EQ(t, "abcdefghijklmnopbcd");
}

TEST(StringTest, TrimTakesSixSpaceCharactersAndReplaceAllScansWithoutOverlap) {
    const std::pair<String, const char*> cases[] = {
        {String("  \t ").Trim(), ""},
        {String(" a b ").Trim(), "a b"},
        {String("\r\n\v\f\t x \t\f\v\n\r").Trim(), "x"},
        {String("\x01y\xa0").Trim(), "\x01y\xa0"},
        {String("abcdef").ReplaceAll("xyz", "q"), "abcdef"},
        {String("aaaa").ReplaceAll("aa", "b"), "bb"},
        {String("aaa").ReplaceAll("aa", "b"), "ba"},
        {String("a.b.c").ReplaceAll(".", "::"), "a::b::c"},
        {String(".b.").ReplaceAll(".", ""), "b"},
        {String("a").ReplaceAll("a", "aa"), "aa"},
        {String("keep").ReplaceAll("", "x"), "keep"},
        {String("%Title% - %Title%").ReplaceAll("%Title%", "Song"), "Song - Song"},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

TEST(HtmlEscapeTest, ReplacesTheFourMarkupCharactersOnly) {
    const std::pair<String, String> cases[] = {
        {"Tom & Jerry <live> \"1999\"", "Tom &amp; Jerry &lt;live&gt; &quot;1999&quot;"},
        {"x\"", "x&quot;"},
        {"&amp;", "&amp;amp;"},
        {"it's", "it's"},
        {"", ""},
        {String("a\0&", 3), String("a\0&amp;", 7)},
        {"Caf\xc3\xa9 & Bar", "Caf\xc3\xa9 &amp; Bar"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(HtmlEscape(text), escaped) << text.View();
}

// The C library's reading, clamped to 32 bits.
int32_t StrtollClamped(const std::string& text) {
    long long v = strtoll(text.c_str(), nullptr, 10);
    return static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
}

TEST(LeadingIntegerTest, ReadsLikeTheCLibraryButSaturates) {
    const char* texts[] = {
        "0",           "42",         "-42",        "+7",          "  \t\n\v\f\r12",
        "007",         "12 34",      "-0",         "abc",         "",
        "-",           "+",          "- 5",        "0x10",        "3.9",
        "1e3",         " +-1",       "2147483647", "-2147483648", "2147483648",
        "-2147483649", "4294967295", "4294967296",
    };
    for (const char* text : texts)
        EXPECT_EQ(LeadingInteger(text), StrtollClamped(text)) << '"' << text << '"';
    EXPECT_EQ(LeadingInteger("99999999999999999999999999"), INT32_MAX); // past 64 bits too
    EXPECT_EQ(LeadingInteger("-99999999999999999999999999"), INT32_MIN);
    // Only the view is read, whatever follows it.
    EXPECT_EQ(LeadingInteger(std::string_view("123456", 3)), 123);
    EXPECT_EQ(LeadingInteger(std::string_view("  -9", 3)), 0);
    EXPECT_EQ(LeadingInteger(std::string_view("5\0007", 3)), 5);
}

TEST(TextBuilderTest, HexIsAlwaysEightLowerCaseDigits) {
    for (uint32_t value : {0u, 26u, 0xABCDEFu, 0x7fffffffu, 0xffffffffu}) {
        char expected[16];
        snprintf(expected, sizeof expected, "%08x", value);
        TextBuilder builder(1);
        EXPECT_EQ(builder.AppendHex8(value).Finish(), expected);
    }
}

TEST(Base64Test, DecodesPaddedAndShortGroupsAndPointsAtTheFirstBadCharacter) {
    struct Case {
        std::string_view text;
        std::string data;
        int32_t errorAt;
    } cases[] = {
        {"YW5uOnB3", "ann:pw", -1},
        {"YTpiOmM=", "a:b:c", -1}, // a password with ":" stays whole
        {"YQ==", "a", -1},
        {"YWI", "ab", -1},            // unpadded last group
        {"+/+/", "\xfb\xff\xbf", -1}, // the two symbols of the alphabet
        {"", "", -1},
        {"YW5u OnB3", "ann", 4}, // white space is an error
        {"YW5uOnB3\r\n", "ann:pw", 8},
        {"YQ=", "", 3},          // padding cut short
        {"YQ==YQ==", "", 4},     // data after the padding
        {"Y===", "", 1},         // padding after a single digit
        {"YWJjZ", "abc", 4},     // a last group of one digit
        {"YW5u-OnB3", "ann", 4}, // the URL-safe alphabet is not this one
    };
    for (const Case& c : cases) {
        Base64Result result = DecodeBase64(c.text);
        EXPECT_EQ(result.errorAt, c.errorAt) << c.text;
        EXPECT_EQ(std::string(result.data.View()), c.data) << c.text;
    }
    std::string big(40000, 'A'); // no length limit
    EXPECT_EQ(DecodeBase64(big).data.Length(), 30000);
}

TEST(TextEncodingTest, KeepsUtf8AndConvertsEverythingElseAsWindows1252) {
    struct Case {
        std::string text;
        std::string utf8;
    } cases[] = {
        {"plain", "plain"},
        {"Caf\xc3\xa9", "Caf\xc3\xa9"},                   // valid UTF-8 stays
        {"Caf\xe9", "Caf\xc3\xa9"},                       // Latin-1
        {"It\x92s \x80", "It\xe2\x80\x99s \xe2\x82\xac"}, // the code page's quote and euro
        {"\x81", "\xc2\x81"},                             // a hole of the code page
        {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                 // an overlong form is not UTF-8
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"}, // nor is a surrogate
        {"ok\xf0\x9f\x8e\xb5", "ok\xf0\x9f\x8e\xb5"},     // four bytes
        {"cut\xe2\x82", "cut\xc3\xa2\xe2\x80\x9a"},       // a sequence cut short
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(AsUtf8(String(c.text)).View()), c.utf8) << c.text;
}

} // namespace
} // namespace tb
