// The array and the XML subset devices post: structure, bounds, and what is
// refused.
#include "core/Array.h"
#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/Thread.h"
#include "core/XmlTag.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tb {
namespace {

TEST(ArrayTest, InsertAndAccessTakeOnlyIndexesInRange) {
    Array<int> a;
    for (int i = 0; i < 4; ++i)
        a.Add(i);
    a.InsertAt(2, -1);
    a.InsertAt(0, -2);
    a.InsertAt(a.Count(), -3);
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{-2, 0, 1, -1, 2, 3, -3}));
    EXPECT_THROW(a.InsertAt(a.Count() + 1, 9), ArrayException);
    EXPECT_THROW(a.InsertAt(-1, 9), ArrayException);
    a.RemoveAt(6);
    EXPECT_EQ(a.At(5), 3);
    EXPECT_THROW(a.At(6), ArrayException);
    EXPECT_THROW(a.RemoveAt(6), ArrayException);
    EXPECT_THROW(a.At(-1), ArrayException);
}

// `levels` nested elements around "x", or only their opening tags.
std::string Nested(int levels, bool closed = true) {
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<e>";
    if (closed) {
        text += "x";
        for (int i = 0; i < levels; ++i)
            text += "</e>";
    }
    return text;
}

TEST(XmlTagTest, ElementsAreFoundByNameInAnyCase) {
    auto root = XmlTag::Parse("leading junk \r\n<requestnavdata>\r\n"
                              "  <nodeid>12</nodeid>\r\n"
                              "  <NumElem>10</NUMELEM><c k = \"a > b / c\" y=2 z />\r\n"
                              "</RequestNavData> trailing <junk");
    EXPECT_EQ(root->Name(), "requestnavdata");
    ASSERT_EQ(root->Children().Count(), 3);
    EXPECT_EQ(root->FindChild("NodeID")->GetText(), "12");
    EXPECT_EQ(root->FindChild("numelem")->GetText(), "10");
    const XmlTag* c = root->FindChild("C");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->IsEmpty());
    ASSERT_EQ(c->Attributes().Count(), 3); // quoted, unquoted or bare
    EXPECT_EQ(c->Attributes().At(0).value, "a > b / c");
    EXPECT_EQ(root->FindChild("d"), nullptr);
    EXPECT_THROW(root->GetText(), XmlTagException); // elements inside, not text
    EXPECT_THROW(c->GetText(), XmlTagException);
}

TEST(XmlTagTest, RefusesMismatchedUnterminatedAndRootlessInput) {
    const char* broken[] = {
        "",        "just text",       "<?xml?>",    "<a/>",         "<a><b>1</a>",
        "<a></b>", "<a><b></b></ab>", "<",          "<a",           "<a ",
        "<a x",    "<a x=",           "<a x=\"1",   "<a x=\"1\"",   "<a x=1",
        "<a>",     "<a>text",         "<a><b>",     "<a><b/>",      "<a><b>1</b>",
        "<a></a",  "<a/ x></a>",      "<a><b / x>", "<a>\r\n  \t ", "<a><b x=\"y>",
        "<a></b",  "<a><b></b",
    };
    for (const char* text : broken)
        EXPECT_THROW(XmlTag::Parse(text), XmlTagException) << text;
}

// Devices' documents are parsed on connection threads with their small stacks.
class ParseOnThread : public Runnable {
public:
    void Run() override {
        try {
            auto root = XmlTag::Parse(Nested(XmlTag::MaxDepth).c_str());
            const XmlTag* node = root.get();
            for (int level = 1; level < XmlTag::MaxDepth; ++level)
                node = node ? node->FindChild("e") : nullptr;
            innermost = node ? node->GetText() : String("(missing)");
        } catch (...) {
        }
        done.Set();
    }
    String innermost;
    Event done;
};

TEST(XmlTagTest, NestingIsLimitedToMaxDepthWhichFitsAThreadStack) {
    ParseOnThread job;
    StartThread(job);
    ASSERT_TRUE(job.done.Wait(30000));
    EXPECT_EQ(job.innermost, "x");
    EXPECT_TRUE(WaitForThreads(30000));
    EXPECT_THROW(XmlTag::Parse(Nested(XmlTag::MaxDepth + 1).c_str()), XmlTagException);
    // A hostile document far deeper than that is refused, not a stack overflow.
    EXPECT_THROW(XmlTag::Parse(Nested(1000000, false).c_str()), XmlTagException);
}

} // namespace
} // namespace tb
