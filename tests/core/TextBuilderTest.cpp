#include "core/TextBuilder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace tb {
namespace {

TEST(TextBuilderTest, PiecesNumbersAndEmptyViewsMakeOneText) {
    TextBuilder builder(4);
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        builder.Append("<a>").Append(std::string_view()).AppendNumber(static_cast<uint32_t>(i));
        builder.AppendNumber(-i).Append(String("</a>"));
        expected += "<a>" + std::to_string(i) + std::to_string(-i) + "</a>";
    }
    builder.AppendNumber(uint32_t{4294967295u}).AppendNumber(int32_t{-2147483647 - 1});
    expected += "4294967295-2147483648";
    String text = builder.Finish();
    EXPECT_EQ(std::string(text.View()), expected);
    EXPECT_EQ(builder.Length(), 0);
    EXPECT_EQ(builder.Append("again").Finish(), "again");
}

TEST(TextBuilderTest, HexIsAlwaysEightLowerCaseDigits) {
    for (uint32_t value : {0u, 26u, 0xABCDEFu, 0x7fffffffu, 0xffffffffu}) {
        char expected[16];
        snprintf(expected, sizeof expected, "%08x", value);
        TextBuilder builder(1);
        EXPECT_EQ(builder.AppendHex8(value).Finish(), expected);
    }
}

} // namespace
} // namespace tb
