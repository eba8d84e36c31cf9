#include "core/Array.h"

#include "core/Exceptions.h"
#include "core/String.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace tb {

// Failure messages show a String's text.
[[maybe_unused]] static void PrintTo(const String& s, std::ostream* os) {
    *os << '"' << s.View() << '"';
}

namespace {

TEST(ArrayTest, InsertAtCountAppendsAndBeyondThrows) {
    Array<int> a;
    a.InsertAt(0, 1);
    a.InsertAt(1, 2);
    a.InsertAt(a.Count(), 3);
    ASSERT_EQ(a.Count(), 3);
    EXPECT_EQ(a.At(2), 3);
    try {
        a.InsertAt(a.Count() + 1, 9);
        FAIL() << "no exception";
    } catch (const GeneralException& e) {
        EXPECT_EQ(e.Value(), 0);
    }
    EXPECT_THROW(a.InsertAt(-1, 9), ArrayException);
    EXPECT_EQ(a.Count(), 3);

    Array<int> empty;
    EXPECT_THROW(empty.InsertAt(1, 9), ArrayException);
}

TEST(ArrayTest, InsertAtShiftsTheRestUpWithAndWithoutGrowth) {
    Array<int> a;
    for (int i = 0; i < 16; ++i)
        a.Add(i * 10);
    a.InsertAt(5, -1); // full: grows while inserting in the middle
    a.InsertAt(0, -2); // room: moves in place
    a.InsertAt(a.Count() - 1, -3);
    ASSERT_EQ(a.Count(), 19);
    const int expected[] = {-2, 0,  10,  20,  30,  40,  -1,  50, 60, 70,
                            80, 90, 100, 110, 120, 130, 140, -3, 150};
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ(a.At(i), expected[i]) << i;
}

TEST(ArrayTest, ElementAccessChecksBothEnds) {
    Array<String> a;
    EXPECT_THROW(a.At(0), ArrayException);
    a.Add("one");
    a.Add("two");
    EXPECT_EQ(a.At(1), "two");
    EXPECT_THROW(a.At(2), ArrayException);
    EXPECT_THROW(a.At(-1), ArrayException);
    a.At(0) = "uno"; // At gives the element itself
    EXPECT_EQ(a.At(0), "uno");
    const Array<String>& view = a;
    EXPECT_THROW(view.At(2), ArrayException);
    EXPECT_EQ(view.At(0), "uno");

    a.RemoveAt(0);
    ASSERT_EQ(a.Count(), 1);
    EXPECT_EQ(a.At(0), "two");
    EXPECT_THROW(a.RemoveAt(1), ArrayException);
    a.Clear();
    EXPECT_EQ(a.Count(), 0);
    EXPECT_THROW(a.At(0), ArrayException);
}

TEST(ArrayTest, LargeArraysKeepEveryElement) {
    Array<int32_t> a;
    constexpr int32_t N = 200000;
    for (int32_t i = 0; i < N; ++i)
        a.Add(i * 7);
    ASSERT_EQ(a.Count(), N);
    int64_t sum = 0;
    for (int32_t v : a)
        sum += v;
    EXPECT_EQ(sum, int64_t{7} * N * (N - 1) / 2);
    EXPECT_EQ(a.At(N - 1), (N - 1) * 7);
}

TEST(ArrayTest, StringElementsShareAndAreReleasedWithTheArray) {
    String source = "a value long enough for its own block";
    const char* chars = source.c_str();
    {
        Array<String> a;
        for (int i = 0; i < 40; ++i) // crosses two growths
            a.Add(source);
        for (const String& s : a)
            EXPECT_TRUE(s.c_str() == source.c_str());
        a.InsertAt(3, "other");
        EXPECT_EQ(a.At(3), "other");
        EXPECT_TRUE(a.At(4).c_str() == source.c_str());
    }
    // Every copy released: the source's buffer is its own again, so a short
    // assignment reuses it.
    source = "short";
    EXPECT_EQ(source.c_str(), chars);
}

TEST(ArrayTest, HoldsMoveOnlyOwners) {
    Array<std::unique_ptr<int>> a;
    for (int i = 0; i < 20; ++i)
        a.Add(std::make_unique<int>(i));
    a.InsertAt(0, std::make_unique<int>(-1));
    ASSERT_EQ(a.Count(), 21);
    EXPECT_EQ(*a.At(0), -1);
    EXPECT_EQ(*a.At(20), 19);
}

} // namespace
} // namespace tb
