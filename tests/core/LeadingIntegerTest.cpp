#include "core/LeadingInteger.h"

#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace tb {
namespace {

// The C library's reading, clamped to 32 bits.
int32_t Reference(const std::string& text) {
    long long v = strtoll(text.c_str(), nullptr, 10);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

TEST(LeadingIntegerTest, ReadsLikeTheCLibrary) {
    const char* texts[] = {
        "0",          "42",          "-42", "+7",   "  \t\n\v\f\r12abc",
        "007",        "12 34",       "-0",  "abc",  "",
        "-",          "+",           "- 5", "0x10", "3.9",
        "2147483647", "-2147483648", "1e3", " +-1", "99 bottles",
    };
    for (const char* text : texts)
        EXPECT_EQ(LeadingInteger(text), Reference(text)) << '"' << text << '"';
}

TEST(LeadingIntegerTest, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(LeadingInteger("2147483648"), INT32_MAX);
    EXPECT_EQ(LeadingInteger("-2147483649"), INT32_MIN);
    EXPECT_EQ(LeadingInteger("99999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(LeadingInteger("-99999999999999999999999999"), INT32_MIN);
    EXPECT_EQ(LeadingInteger("4294967296"), INT32_MAX); // not wrapped to 0
    EXPECT_EQ(LeadingInteger("4294967295"), INT32_MAX); // not wrapped to -1
}

TEST(LeadingIntegerTest, StopsAtTheEndOfTheView) {
    std::string_view digits("123456", 3);
    EXPECT_EQ(LeadingInteger(digits), 123);
    EXPECT_EQ(LeadingInteger(std::string_view("  -9", 3)), 0);
    EXPECT_EQ(LeadingInteger(std::string_view("5\0"
                                              "7",
                                              3)),
              5);
}

} // namespace
} // namespace tb
