#include "core/Stream.h"

#include <gtest/gtest.h>
#include <string>

namespace tb {
namespace {

// Generic streams over a text: only Get and Put are their own.
class TextInput : public InputStream {
public:
    explicit TextInput(std::string text) : text_(std::move(text)) {}
    int32_t Get() override {
        ++gets;
        if (position_ >= text_.size())
            return -1;
        return static_cast<unsigned char>(text_[position_++]);
    }
    int gets = 0;

private:
    std::string text_;
    size_t position_ = 0;
};

class TextOutput : public OutputStream {
public:
    void Put(char byte) override { text += byte; }
    std::string text;
};

TEST(StreamTest, GenericReadStopsAtTheEnd) {
    TextInput in(std::string("ab\xff\0c", 5));
    unsigned char buffer[8] = {};
    EXPECT_EQ(in.Read(buffer, 3), 3);
    EXPECT_EQ(buffer[2], 0xff); // a high byte is data, not the end
    EXPECT_EQ(in.Read(buffer, 8), 2);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 'c');
    EXPECT_EQ(in.Read(buffer, 8), -1);
    EXPECT_EQ(in.Read(buffer, 0), 0);
}

TEST(StreamTest, GenericWritePutsEveryByte) {
    TextOutput out;
    out.Write("a\0b", 3);
    out.Write("ignored", 0);
    out.Close();
    EXPECT_EQ(out.text, std::string("a\0b", 3));
}

} // namespace
} // namespace tb
