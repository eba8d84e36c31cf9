#include "core/Exceptions.h"
#include "core/String.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

TEST(StringTest, CopiesShareUntilOneIsWritten) {
    String a = "abc";
    String b = a;
    EXPECT_TRUE(a.SharesBufferWith(b));
    b += "d";
    EXPECT_FALSE(a.SharesBufferWith(b));
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "abcd");
}

TEST(StringTest, AtAcceptsTheTerminatorAndRejectsBeyond) {
    String s = "abc";
    EXPECT_EQ(s.At(3), 0);
    try {
        s.At(4);
        FAIL() << "no exception";
    } catch (const StringIndexOutOfBoundsException& e) {
        EXPECT_EQ(e.Value(), 4);
    }
    EXPECT_THROW(s.At(-1), StringIndexOutOfBoundsException);
}

} // namespace
} // namespace tb
