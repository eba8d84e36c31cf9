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

TEST(StringTest, CopiesShareUntilOneIsWritten) {
    String a = "abc";
    String b = a;
    EXPECT_TRUE(a.SharesBufferWith(b));
    b += "d";
    EXPECT_FALSE(a.SharesBufferWith(b));
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "abcd");

    String c;
    c = a;
    EXPECT_TRUE(c.SharesBufferWith(a));
    String& alias = c;
    c = alias; // assigning itself must neither free nor unshare
    EXPECT_TRUE(c.SharesBufferWith(a));
    EXPECT_EQ(c, "abc");
}

TEST(StringTest, AtAcceptsTheTerminatorAndRejectsBeyond) {
    String s = "abc";
    EXPECT_EQ(s.At(0), 'a');
    EXPECT_EQ(s.At(2), 'c');
    EXPECT_EQ(s.At(3), 0);
    try {
        s.At(4);
        FAIL() << "no exception";
    } catch (const StringIndexOutOfBoundsException& e) {
        EXPECT_EQ(e.Value(), 4);
    }
    try {
        s.At(-1);
        FAIL() << "no exception";
    } catch (const GeneralException& e) {
        EXPECT_EQ(e.Value(), -1);
    }
    String empty;
    EXPECT_EQ(empty.At(0), 0);
    EXPECT_THROW(empty.At(1), StringIndexOutOfBoundsException);
}

TEST(StringTest, EmptyStringsShareOneBufferThatAppendingNeverTouches) {
    String a;
    String b("");
    String c("xyz", 0);
    String d = String("abc").Mid(3);
    EXPECT_TRUE(a.SharesBufferWith(b));
    EXPECT_TRUE(a.SharesBufferWith(c));
    EXPECT_TRUE(a.SharesBufferWith(d));

    a += "hello";
    EXPECT_FALSE(a.SharesBufferWith(b));
    EXPECT_EQ(a, "hello");
    EXPECT_EQ(b.Length(), 0);
    EXPECT_STREQ(b.c_str(), "");
    EXPECT_STREQ(String().c_str(), "");
    EXPECT_TRUE(b.SharesBufferWith(String()));

    a += 'x';
    String e;
    e += 'y';
    EXPECT_EQ(a, "hellox");
    EXPECT_EQ(e, "y");
    EXPECT_STREQ(String().c_str(), "");
}

TEST(StringTest, BuffersComeInSixteenByteBlocks) {
    // Block = (n + 28) & ~15, capacity = block - 12 header bytes.
    EXPECT_EQ(String("a").Capacity(), 4);                     // 29 -> 16
    EXPECT_EQ(String("abc").Capacity(), 4);                   // 31 -> 16
    EXPECT_EQ(String("abcd").Capacity(), 20);                 // 32 -> 32
    EXPECT_EQ(String("abcdefghijklmnopqrs").Capacity(), 20);  // 19: 47 -> 32
    EXPECT_EQ(String("abcdefghijklmnopqrst").Capacity(), 36); // 20: 48 -> 48

    // A concatenation is sized for its result alone.
    String big = String("abcdefghijklmnopqrst"); // capacity 36
    EXPECT_EQ((big.Mid(0, 1) + "bc").Capacity(), 4);
    EXPECT_EQ((String("ab") + String("cd")).Capacity(), 20);
    EXPECT_EQ((String("a") + 'b').Capacity(), 4);

    // Appending past the capacity grows to the block for the new length.
    String s = "abc";
    s += "d";
    EXPECT_EQ(s.Capacity(), 20);
    EXPECT_EQ(s, "abcd");
}

TEST(StringTest, AssigningTextReusesASoleBufferWithRoom) {
    String s = "abcdefghij"; // capacity 20
    const char* before = s.c_str();
    s = "xyz";
    EXPECT_EQ(s.c_str(), before);
    EXPECT_EQ(s, "xyz");
    EXPECT_EQ(s.Length(), 3);

    // A shared buffer is left to its other owner.
    String other = s;
    s = "uvw";
    EXPECT_EQ(other, "xyz");
    EXPECT_EQ(s, "uvw");
    EXPECT_FALSE(s.SharesBufferWith(other));

    // Too long for the block: a new one.
    String t = "abc";
    t = "abcdefghijklmnopqrstuvwxyz";
    EXPECT_EQ(t, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(t.Capacity(), 36); // 26 characters: 54 -> 48
}

TEST(StringTest, AssigningItsOwnTailMovesTheText) {
    String s = "abcdefghij";
    s = s.c_str() + 2;
    EXPECT_EQ(s, "cdefghij");
    s = s.c_str();
    EXPECT_EQ(s, "cdefghij");
    s = "";
    EXPECT_TRUE(s.SharesBufferWith(String()));
}

TEST(StringTest, ConcatenationFormsAndEmbeddedNul) {
    String ab("a\0b", 3);
    EXPECT_EQ(ab.Length(), 3);
    EXPECT_EQ(ab.At(1), 0);
    EXPECT_NE(ab, "a"); // the text comparison looks at the whole length

    String r = ab + String("c");
    EXPECT_EQ(r.Length(), 4);
    EXPECT_EQ(memcmp(r.c_str(), "a\0bc", 5), 0);
    EXPECT_EQ("x" + String("y"), "xy");
    EXPECT_EQ(String("x") + "y", "xy");
    EXPECT_EQ(String("x") + 'y', "xy");
    EXPECT_EQ(String() + String(), "");
    EXPECT_TRUE((String() + "").SharesBufferWith(String()));
    EXPECT_EQ("" + String("q") + "", "q");

    String same = "abc";
    EXPECT_TRUE(same == String("abc"));
    EXPECT_TRUE("abc" == same);
    EXPECT_FALSE(same != "abc");
    EXPECT_TRUE(same != "abd");
    EXPECT_TRUE(same != "ab");
    EXPECT_TRUE(same != "abcd");
    EXPECT_TRUE(same != "ABC");
    EXPECT_TRUE(String("abc") < String("abd"));
    EXPECT_TRUE(String("ab") < String("abc"));
    EXPECT_FALSE(String("b") < String("abc"));
}

TEST(StringTest, CaseInsensitiveComparisonsAndSearch) {
    String s = "Content-Type";
    EXPECT_TRUE(s.EqualsNoCase("CONTENT-TYPE"));
    EXPECT_FALSE(s.EqualsNoCase("content-typ"));
    EXPECT_FALSE(s.EqualsNoCase("content-types"));
    EXPECT_TRUE(s.StartsWith("Content"));
    EXPECT_FALSE(s.StartsWith("content"));
    EXPECT_TRUE(s.StartsWithNoCase("cONTENT-"));
    EXPECT_FALSE(s.StartsWithNoCase("Content-Type-Extra"));
    EXPECT_TRUE(s.StartsWith(""));

    String h = "abcabc";
    EXPECT_EQ(h.Find("bc"), 1);
    EXPECT_EQ(h.Find("bc", 2), 4);
    EXPECT_EQ(h.Find("bc", 5), -1);
    EXPECT_EQ(h.Find('c'), 2);
    EXPECT_EQ(h.Find('c', 3), 5);
    EXPECT_EQ(h.Find('z'), -1);
    EXPECT_EQ(h.Find("a", -1), -1);
    EXPECT_EQ(h.Find("a", 7), -1);
    EXPECT_EQ(h.Find("", 6), 6);
}

TEST(StringTest, MidClampsToTheText) {
    String s = "abcdef";
    EXPECT_EQ(s.Mid(2), "cdef");
    EXPECT_EQ(s.Mid(2, 3), "cde");
    EXPECT_EQ(s.Mid(2, 100), "cdef");
    EXPECT_EQ(s.Mid(-5, 2), "ab");
    EXPECT_EQ(s.Mid(5), "f");
    EXPECT_EQ(s.Mid(6), "");
    EXPECT_EQ(s.Mid(60, 2), "");
    EXPECT_EQ(s.Mid(1, 0), "");
    EXPECT_EQ(s.Mid(0), "abcdef");
    EXPECT_EQ(String().Mid(0, 3), "");
}

TEST(StringTest, AppendingItsOwnText) {
    // Needs a bigger buffer: the source must survive the reallocation.
    String s = "abc";
    s += s;
    EXPECT_EQ(s, "abcabc");

    // Fits in place (16 characters, capacity 20).
    String t = "abcdefghijklmnop";
    ASSERT_EQ(t.Capacity(), 20);
    t.Append(t.c_str() + 1, 3);
    EXPECT_EQ(t, "abcdefghijklmnopbcd");

    // Doubling many times crosses many block sizes.
    String u = "xyz";
    for (int i = 0; i < 12; ++i)
        u += u;
    ASSERT_EQ(u.Length(), 3 * 4096);
    for (int32_t i = 0; i < u.Length(); ++i)
        ASSERT_EQ(u.At(i), "xyz"[i % 3]) << i;
    EXPECT_EQ(u.At(u.Length()), 0);

    // Appending the text of a copy leaves the copy intact.
    String v = "12345";
    String w = v;
    v.Append(w.c_str(), w.Length());
    EXPECT_EQ(v, "1234512345");
    EXPECT_EQ(w, "12345");

    String x = "keep";
    x.Append("ignored", 0);
    x.Append("ignored", -3);
    EXPECT_EQ(x, "keep");
}

TEST(StringTest, GetBufferOnASharedStringWritesAPrivateCopy) {
    String s = "abc";
    String copy = s;
    char* p = s.GetBuffer(10);
    EXPECT_GE(s.Capacity(), 11);
    EXPECT_STREQ(p, "abc");
    strcpy(p, "0123456789");
    s.ReleaseBuffer(10);
    EXPECT_EQ(s, "0123456789");
    EXPECT_EQ(copy, "abc");

    // ReleaseBuffer alone must not write through to a sharer either.
    String t = s;
    s.ReleaseBuffer(4);
    EXPECT_EQ(s, "0123");
    EXPECT_EQ(t, "0123456789");
}

TEST(StringTest, ReleaseBufferClampsAndMeasures) {
    String s;
    char* p = s.GetBuffer(3); // 3 characters: capacity 4
    ASSERT_EQ(s.Capacity(), 4);
    memcpy(p, "xyz", 3);
    s.ReleaseBuffer(100);
    EXPECT_EQ(s.Length(), 3);
    EXPECT_EQ(s, "xyz");
    s.ReleaseBuffer(-2);
    EXPECT_EQ(s, "");

    String m = "abcdef";
    p = m.GetBuffer(0);
    memcpy(p, "hi\0gh", 5);
    m.ReleaseBuffer();
    EXPECT_EQ(m.Length(), 2);
    EXPECT_EQ(m, "hi");

    // Without a NUL the length is the whole room.
    String full = "abcd"; // capacity 20
    p = full.GetBuffer(4);
    int32_t room = full.Capacity() - 1;
    memset(p, 'q', static_cast<size_t>(full.Capacity()));
    full.ReleaseBuffer();
    EXPECT_EQ(full.Length(), room);
    EXPECT_EQ(full.At(room), 0);
    EXPECT_EQ(full, String(std::string(static_cast<size_t>(room), 'q')));
}

TEST(StringTest, GetBufferNeverHandsOutTheSharedEmptyBuffer) {
    String other;
    String e;
    char* p = e.GetBuffer(0);
    p[0] = 'q';
    e.ReleaseBuffer(1);
    EXPECT_EQ(e, "q");
    EXPECT_STREQ(other.c_str(), "");
    EXPECT_STREQ(String().c_str(), "");

    String untouched;
    untouched.ReleaseBuffer(5);
    untouched.ReleaseBuffer();
    EXPECT_EQ(untouched.Length(), 0);
    EXPECT_STREQ(String().c_str(), "");
}

TEST(StringTest, AnEmptiedBufferIsStillCopiedOnWrite) {
    // A private buffer cut to length 0 is not the shared empty buffer, but
    // once copied it is shared all the same.
    String s;
    s.GetBuffer(8);
    s.ReleaseBuffer(0);
    String copy = s;
    char* p = s.GetBuffer(0);
    p[0] = 'z';
    s.ReleaseBuffer(1);
    EXPECT_EQ(s, "z");
    EXPECT_EQ(copy, "");
    EXPECT_EQ(copy.Length(), 0);

    String again = copy;
    copy.ReleaseBuffer(3);
    EXPECT_EQ(again.Length(), 0);
}

TEST(StringTest, FromUnsignedInEveryRadix) {
    EXPECT_EQ(String::FromUnsigned(0), "0");
    EXPECT_EQ(String::FromUnsigned(42961), "42961");
    EXPECT_EQ(String::FromUnsigned(4294967295u), "4294967295");
    EXPECT_EQ(String::FromUnsigned(255, 16), "ff");
    EXPECT_EQ(String::FromUnsigned(4294967295u, 16), "ffffffff");
    EXPECT_EQ(String::FromUnsigned(5, 2), "101");
    EXPECT_EQ(String::FromUnsigned(4294967295u, 2), String(std::string(32, '1')));
    EXPECT_EQ(String::FromUnsigned(35, 36), "z");
    EXPECT_EQ(String::FromUnsigned(36, 36), "10");
}

TEST(StringTest, FormatSizesItsResult) {
    EXPECT_EQ(String::Format("%s:%u", "host", 80u), "host:80");
    EXPECT_EQ(String::Format("%s", ""), "");
    EXPECT_EQ(String::Format("%05d|%-3s|", 42, "a"), "00042|a  |");
    std::string longText(5000, 'w');
    String f = String::Format("<%s>", longText.c_str());
    EXPECT_EQ(f.Length(), 5002);
    EXPECT_EQ(f.At(0), '<');
    EXPECT_EQ(f.At(5001), '>');
    EXPECT_EQ(f.At(2500), 'w');
}

TEST(StringTest, TrimRemovesTheSixWhiteSpaceCharacters) {
    String blank = String("  \t ").Trim();
    EXPECT_EQ(blank, "");
    EXPECT_TRUE(blank.SharesBufferWith(String()));
    EXPECT_EQ(String(" a b ").Trim(), "a b");
    EXPECT_EQ(String("\r\n\v\f\t x \t\f\v\n\r").Trim(), "x");
    EXPECT_EQ(String("x").Trim(), "x");
    EXPECT_EQ(String("").Trim(), "");
    EXPECT_EQ(String("\x01y\x01").Trim(), "\x01y\x01"); // other control bytes stay
    EXPECT_EQ(String("\xa0z").Trim(), "\xa0z");

    String clean = "nothing to trim";
    EXPECT_EQ(clean.Trim(), "nothing to trim");
}

TEST(StringTest, ReplaceAllScansLeftToRightWithoutOverlap) {
    String none = "abcdef";
    String same = none.ReplaceAll("xyz", "q");
    EXPECT_TRUE(same.SharesBufferWith(none));
    EXPECT_EQ(same, "abcdef");

    EXPECT_EQ(String("aaaa").ReplaceAll("aa", "b"), "bb");
    EXPECT_EQ(String("aaa").ReplaceAll("aa", "b"), "ba");
    EXPECT_EQ(String("a.b.c").ReplaceAll(".", "::"), "a::b::c");
    EXPECT_EQ(String(".b.").ReplaceAll(".", ""), "b");
    EXPECT_EQ(String("a").ReplaceAll("a", "aa"), "aa"); // replacement is not rescanned
    EXPECT_EQ(String("abab").ReplaceAll("ab", "ab"), "abab");
    EXPECT_EQ(String("xx").ReplaceAll("xx", ""), "");
    EXPECT_EQ(String("%Title% - %Title%").ReplaceAll("%Title%", "Song"), "Song - Song");

    String input = "keep";
    EXPECT_TRUE(input.ReplaceAll("", "x").SharesBufferWith(input));
}

TEST(StringTest, CopiesMadeAndDroppedOnManyThreadsKeepTheCountExact) {
    String shared = "a text all threads copy from";
    const char* chars = shared.c_str();
    constexpr int Threads = 8;
    constexpr int Rounds = 20000;
    std::vector<std::thread> threads;
    std::vector<std::vector<String>> kept(Threads);
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&shared, &kept, t] {
            for (int i = 0; i < Rounds; ++i) {
                String copy = shared;
                String second;
                second = copy;
                if (i % 1000 == 0)
                    kept[t].push_back(second);
                if (i % 97 == 0) {
                    second += "!"; // a private copy; the shared one stays
                    if (second.Length() != shared.Length() + 1)
                        ADD_FAILURE() << "append on a copy";
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ(shared, "a text all threads copy from");
    EXPECT_EQ(shared.c_str(), chars);
    for (const auto& list : kept)
        for (const String& s : list)
            EXPECT_TRUE(s.SharesBufferWith(shared));
    kept.clear();

    // Sole owner again: assigning a short text reuses the same buffer, which
    // happens only when the count came back to exactly one.
    shared = "short";
    EXPECT_EQ(shared.c_str(), chars);
}

} // namespace
} // namespace tb
