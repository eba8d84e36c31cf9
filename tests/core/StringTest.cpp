// The shared text type: copy-on-write seen through the characters' address,
// bounds, and the text operations, each as a table of cases.
#include "core/String.h"

#include "core/Exceptions.h"

#include <cstring>
#include <gtest/gtest.h>
#include <ostream>
#include <thread>
#include <vector>

namespace tb {

// Failure messages show a String's text.
[[maybe_unused]] static void PrintTo(const String& s, std::ostream* os) {
    *os << '"' << s.View() << '"';
}

namespace {

bool Shares(const String& a, const String& b) {
    return a.c_str() == b.c_str();
}

TEST(StringTest, CopiesShareUntilOneIsWritten) {
    String a = "abc";
    String b = a;
    EXPECT_TRUE(Shares(a, b));
    b += "d";
    EXPECT_FALSE(Shares(a, b));
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "abcd");
    String& alias = a;
    a = alias; // assigning itself must neither free nor unshare
    EXPECT_EQ(a, "abc");
    // Empty strings share one buffer that writing never touches.
    String empty, other(""), cut = String("abc").Mid(3);
    EXPECT_TRUE(Shares(empty, other));
    EXPECT_TRUE(Shares(empty, cut));
    empty += "hello";
    EXPECT_STREQ(other.c_str(), "");
    String fresh;
    char* p = fresh.GetBuffer(0);
    p[0] = 'q';
    fresh.ReleaseBuffer(1);
    EXPECT_STREQ(String().c_str(), "");
    // A buffer handed out is private: the copy keeps its text.
    String s = "abc", copy = s;
    strcpy(s.GetBuffer(10), "0123456789");
    s.ReleaseBuffer(10);
    EXPECT_EQ(copy, "abc");
    String t = s;
    s.ReleaseBuffer(4);
    EXPECT_EQ(s, "0123");
    EXPECT_EQ(t, "0123456789");
    // A sole owner with room writes in place.
    String room = "abcdefghij";
    const char* before = room.c_str();
    room = "xyz";
    EXPECT_EQ(room.c_str(), before);
    room = room.c_str() + 1; // its own tail
    EXPECT_EQ(room, "yz");
}

TEST(StringTest, AtAcceptsTheTerminatorAndRejectsBeyond) {
    String s = "abc";
    EXPECT_EQ(s.At(2), 'c');
    EXPECT_EQ(s.At(3), 0);
    for (int32_t bad : {4, -1}) {
        try {
            s.At(bad);
            FAIL() << "no exception";
        } catch (const StringIndexOutOfBoundsException& e) {
            EXPECT_EQ(e.Value(), bad);
        }
    }
    EXPECT_EQ(String().At(0), 0);
}

TEST(StringTest, AppendingAnyTextKeepsEveryByte) {
    String ab("a\0b", 3);
    EXPECT_EQ(ab.Length(), 3);
    EXPECT_NE(ab, "a"); // comparisons look at the whole length
    EXPECT_EQ(memcmp((ab + String("c")).c_str(), "a\0bc", 5), 0);
    EXPECT_EQ("x" + String("y") + 'z' + "", "xyz");
    EXPECT_TRUE(String("ab") < String("abc"));
    EXPECT_FALSE(String("b") < String("abc"));
    String s = "abc";
    s += s; // its own text, into a new buffer
    EXPECT_EQ(s, "abcabc");
    String t = "abcdefghijklmnop";
    t.Append(t.c_str() + 1, 3); // its own text, in place
    EXPECT_EQ(t, "abcdefghijklmnopbcd");
    String u = "xyz";
    for (int i = 0; i < 12; ++i)
        u += u;
    ASSERT_EQ(u.Length(), 3 * 4096);
    for (int32_t i = 0; i < u.Length(); ++i)
        ASSERT_EQ(u.At(i), "xyz"[i % 3]) << i;
    String keep = "keep";
    keep.Append("ignored", 0);
    keep.Append("ignored", -3);
    EXPECT_EQ(keep, "keep");
}

TEST(StringTest, ReleaseBufferMeasuresAndClamps) {
    String s;
    memcpy(s.GetBuffer(3), "xyz", 3);
    s.ReleaseBuffer(100);
    EXPECT_EQ(s, "xyz");
    s.ReleaseBuffer(-2);
    EXPECT_EQ(s, "");
    String m = "abcdef";
    memcpy(m.GetBuffer(0), "hi\0gh", 5);
    m.ReleaseBuffer();
    EXPECT_EQ(m, "hi");
}

TEST(StringTest, SearchingAndCutting) {
    String h = "abcabc";
    const std::pair<int32_t, int32_t> finds[] = {
        {h.Find("bc"), 1}, {h.Find("bc", 2), 4},  {h.Find("bc", 5), -1}, {h.Find('c', 3), 5},
        {h.Find('z'), -1}, {h.Find("a", -1), -1}, {h.Find("a", 7), -1},  {h.Find("", 6), 6},
    };
    for (const auto& [found, expected] : finds)
        EXPECT_EQ(found, expected);
    EXPECT_TRUE(h.StartsWith("abc"));
    EXPECT_FALSE(h.StartsWith("ABC"));
    String s = "abcdef";
    const std::pair<String, const char*> mids[] = {
        {s.Mid(2), "cdef"}, {s.Mid(2, 3), "cde"}, {s.Mid(2, 100), "cdef"}, {s.Mid(-5, 2), "ab"},
        {s.Mid(6), ""},     {s.Mid(60, 2), ""},   {s.Mid(1, 0), ""},       {String().Mid(0, 3), ""},
    };
    for (const auto& [mid, expected] : mids)
        EXPECT_EQ(mid, expected);
}

TEST(StringTest, TrimRemovesTheSixWhiteSpaceCharactersOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"  \t ", ""},
        {" a b ", "a b"},
        {"\r\n\v\f\t x \t\f\v\n\r", "x"},
        {"\x01y\x01", "\x01y\x01"},
        {"\xa0z", "\xa0z"},
        {"", ""},
    };
    for (const auto& [text, trimmed] : cases)
        EXPECT_EQ(String(text).Trim(), trimmed) << text;
}

TEST(StringTest, ReplaceAllScansLeftToRightWithoutOverlap) {
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"abcdef", "xyz", "q", "abcdef"},
        {"aaaa", "aa", "b", "bb"},
        {"aaa", "aa", "b", "ba"},
        {"a.b.c", ".", "::", "a::b::c"},
        {".b.", ".", "", "b"},
        {"a", "a", "aa", "aa"},
        {"keep", "", "x", "keep"},
        {"%Title% - %Title%", "%Title%", "Song", "Song - Song"},
    };
    for (const auto& [text, find, replacement, expected] : cases)
        EXPECT_EQ(String(text).ReplaceAll(find, replacement), expected) << text;
}

TEST(StringTest, NumbersAndFormatting) {
    const std::tuple<uint32_t, int, const char*> numbers[] = {
        {0, 10, "0"},    {4294967295u, 10, "4294967295"},
        {255, 16, "ff"}, {5, 2, "101"},
        {35, 36, "z"},   {36, 36, "10"},
    };
    for (const auto& [value, radix, text] : numbers)
        EXPECT_EQ(String::FromUnsigned(value, radix), text);
    EXPECT_EQ(String::Format("%05d|%-3s|%s", 42, "a", ""), "00042|a  |");
    String f = String::Format("<%s>", std::string(5000, 'w').c_str());
    EXPECT_EQ(f.Length(), 5002);
    EXPECT_EQ(f.At(5001), '>');
}

TEST(StringTest, CopiesMadeAndDroppedOnManyThreadsKeepTheCountExact) {
    String shared = "a text all threads copy from";
    const char* chars = shared.c_str();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i) {
                String copy = shared;
                String another(copy);
                EXPECT_TRUE(Shares(another, shared));
            }
        });
    for (auto& thread : threads)
        thread.join();
    // Every copy released: the buffer is the source's own again, so a
    // short assignment reuses it.
    shared = "short";
    EXPECT_EQ(shared.c_str(), chars);
}

} // namespace
} // namespace tb
