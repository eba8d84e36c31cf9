#include "core/XmlTag.h"

#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/Thread.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace tb {

// Failure messages show a String's text.
[[maybe_unused]] static void PrintTo(const String& s, std::ostream* os) {
    *os << '"' << s.View() << '"';
}

namespace {

const XmlTag& Element(const XmlTag& parent, int32_t index) {
    const XmlNode& node = *parent.Children().At(index);
    EXPECT_EQ(node.Kind(), XmlNode::NodeKind::Element);
    return static_cast<const XmlTag&>(node);
}

String TextOf(const XmlTag& parent, int32_t index) {
    const XmlNode& node = *parent.Children().At(index);
    EXPECT_EQ(node.Kind(), XmlNode::NodeKind::Text);
    return node.ToString();
}

std::string Nested(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<e>";
    text += "x";
    for (int i = 0; i < levels; ++i)
        text += "</e>";
    return text;
}

TEST(XmlTagTest, ParsesElementsTextAndEmptyElements) {
    auto a = XmlTag::Parse("<a><b>1</b><c/></a>");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Name(), "a");
    EXPECT_EQ(static_cast<int>(a->Kind()), 0);
    ASSERT_EQ(a->Children().Count(), 2);
    const XmlTag& b = Element(*a, 0);
    const XmlTag& c = Element(*a, 1);
    EXPECT_EQ(b.Name(), "b");
    EXPECT_FALSE(b.IsEmpty());
    ASSERT_EQ(b.Children().Count(), 1);
    EXPECT_EQ(static_cast<int>(b.Children().At(0)->Kind()), 1);
    EXPECT_EQ(b.GetText(), "1");
    EXPECT_EQ(c.Name(), "c");
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(c.Children().Count(), 0);

    EXPECT_TRUE(a->HasChild("B"));
    EXPECT_TRUE(a->HasChild("c"));
    EXPECT_FALSE(a->HasChild("1"));
    EXPECT_FALSE(a->HasChild("d"));
    EXPECT_EQ(a->FindChild("C"), &c);
    EXPECT_THROW(a->GetText(), XmlTagException);
    EXPECT_THROW(c.GetText(), XmlTagException);
}

TEST(XmlTagTest, ADevicesRequestDocument) {
    const char* body = "<?xml?>"; // processing instructions are not part of the subset
    EXPECT_THROW(XmlTag::Parse(body), XmlTagException);

    auto root = XmlTag::Parse("\r\n<requestnavdata>\r\n"
                              "  <nodeid>12</nodeid>\r\n"
                              "  <numelem>10</numelem>\r\n"
                              "  <fromindex>0</fromindex>\r\n"
                              "</RequestNavData>\r\n");
    ASSERT_EQ(root->Children().Count(), 3);
    const XmlTag* nodeId = root->FindChild("NodeID");
    ASSERT_NE(nodeId, nullptr);
    EXPECT_EQ(nodeId->GetText(), "12");
    EXPECT_EQ(root->FindChild("numelem")->GetText(), "10");
    EXPECT_EQ(root->FindChild("fromindex")->GetText(), "0");
}

TEST(XmlTagTest, TextKeepsTrailingSpaceEntitiesAndOrder) {
    auto a = XmlTag::Parse("<a>  \t\n lead &amp; trail  <b/>\xc3\xa9t\xc3\xa9<c></c>end</a>");
    ASSERT_EQ(a->Children().Count(), 5);
    EXPECT_EQ(TextOf(*a, 0), "lead &amp; trail  ");
    EXPECT_EQ(Element(*a, 1).Name(), "b");
    EXPECT_EQ(TextOf(*a, 2), "\xc3\xa9t\xc3\xa9");
    EXPECT_EQ(Element(*a, 3).Name(), "c");
    EXPECT_FALSE(Element(*a, 3).IsEmpty());
    EXPECT_EQ(Element(*a, 3).Children().Count(), 0);
    EXPECT_EQ(TextOf(*a, 4), "end");
}

TEST(XmlTagTest, AttributesQuotedUnquotedAndBare) {
    auto a = XmlTag::Parse("<a x=\"1\" y=2 z></a>");
    const Array<TagValue>& attributes = a->Attributes();
    ASSERT_EQ(attributes.Count(), 3);
    EXPECT_EQ(attributes.At(0).tag, "x");
    EXPECT_EQ(attributes.At(0).value, "1");
    EXPECT_EQ(attributes.At(1).tag, "y");
    EXPECT_EQ(attributes.At(1).value, "2");
    EXPECT_EQ(attributes.At(2).tag, "z");
    EXPECT_EQ(attributes.At(2).value, "");

    auto b = XmlTag::Parse("<b  name = \"a > b / c\"  id =7 ></b>");
    ASSERT_EQ(b->Attributes().Count(), 2);
    EXPECT_EQ(b->Attributes().At(0).tag, "name");
    EXPECT_EQ(b->Attributes().At(0).value, "a > b / c");
    EXPECT_EQ(b->Attributes().At(1).tag, "id");
    EXPECT_EQ(b->Attributes().At(1).value, "7");

    auto c = XmlTag::Parse("<c><d k=\"v\" /></c>");
    const XmlTag& d = Element(*c, 0);
    EXPECT_TRUE(d.IsEmpty());
    ASSERT_EQ(d.Attributes().Count(), 1);
    EXPECT_EQ(d.Attributes().At(0).value, "v");
}

TEST(XmlTagTest, ToStringWritesQuotedAttributesAndChildren) {
    auto a = XmlTag::Parse("<a x=\"1\" y=2 z><b>1</b><c/> t </a>");
    EXPECT_EQ(a->ToString(), "<a x=\"1\" y=\"2\" z=\"\"><b>1</b><c/>t </a>");
    // What it writes reads back the same.
    auto again = XmlTag::Parse(a->ToString().c_str());
    EXPECT_EQ(again->ToString(), a->ToString());
    EXPECT_EQ(XmlTag::Parse("<e a=\"&lt;\">&amp;</e>")->ToString(), "<e a=\"&lt;\">&amp;</e>");
}

TEST(XmlTagTest, ClosingNamesMatchIgnoringCase) {
    EXPECT_EQ(XmlTag::Parse("<Item><Name>x</NAME></item>")->FindChild("name")->GetText(), "x");
    EXPECT_THROW(XmlTag::Parse("<a><b>1</a>"), XmlTagException);
    EXPECT_THROW(XmlTag::Parse("<a></b>"), XmlTagException);
    EXPECT_THROW(XmlTag::Parse("<a><b></b></ab>"), XmlTagException);
}

TEST(XmlTagTest, RefusesDocumentsWithoutARootToRead) {
    EXPECT_THROW(XmlTag::Parse(""), XmlTagException);
    EXPECT_THROW(XmlTag::Parse("just text"), XmlTagException);
    // The root's content is always read, so an empty root lacks its closing tag...
    EXPECT_THROW(XmlTag::Parse("<a/>"), XmlTagException);
    // ...and one followed by content and the closing tag is accepted.
    auto a = XmlTag::Parse("<a/>x</a>");
    ASSERT_EQ(a->Children().Count(), 1);
    EXPECT_EQ(TextOf(*a, 0), "x");
}

TEST(XmlTagTest, RefusesUnterminatedInput) {
    const char* broken[] = {
        "<",          "<a",           "<a ",          "<a x",   "<a x=",
        "<a x=\"1",   "<a x=\"1\"",   "<a x=1",       "<a>",    "<a>text",
        "<a><b>",     "<a><b/>",      "<a><b>1</b>",  "<a></a", "<a/ x></a>",
        "<a><b / x>", "<a>\r\n  \t ", "<a><b x=\"y>", "<a></b", "<a><b></b",
    };
    for (const char* text : broken)
        EXPECT_THROW(XmlTag::Parse(text), XmlTagException) << text;
}

TEST(XmlTagTest, IgnoresWhatFollowsTheRoot) {
    auto a = XmlTag::Parse("leading junk <a>1</a> trailing <junk");
    EXPECT_EQ(a->Name(), "a");
    EXPECT_EQ(a->GetText(), "1");
    EXPECT_EQ(XmlTag::Parse("<a></a><b>")->Children().Count(), 0);
}

TEST(XmlTagTest, NestingIsLimitedToMaxDepth) {
    auto deepest = XmlTag::Parse(Nested(XmlTag::MaxDepth).c_str());
    const XmlTag* node = deepest.get();
    for (int level = 1; level < XmlTag::MaxDepth; ++level)
        node = node->FindChild("e");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetText(), "x");

    EXPECT_THROW(XmlTag::Parse(Nested(XmlTag::MaxDepth + 1).c_str()), XmlTagException);
    // A hostile document far deeper than that is refused, not a stack overflow.
    std::string hostile;
    for (int i = 0; i < 1000000; ++i)
        hostile += "<e>";
    EXPECT_THROW(XmlTag::Parse(hostile.c_str()), XmlTagException);
}

// Devices' documents are parsed on connection threads with their small stacks.
class ParseOnThread : public Runnable {
public:
    void Run() override {
        try {
            auto root = XmlTag::Parse(Nested(XmlTag::MaxDepth).c_str());
            parsed = root != nullptr;
        } catch (...) {
        }
        done.Set();
    }
    bool parsed = false;
    Event done;
};

TEST(XmlTagTest, TheDeepestDocumentFitsAThreadStack) {
    ParseOnThread job;
    StartThread(job);
    ASSERT_TRUE(job.done.Wait(30000));
    EXPECT_TRUE(job.parsed);
    EXPECT_TRUE(WaitForThreads(30000));
}

TEST(XmlTagTest, XmlTagExceptionStandsAlone) {
    try {
        XmlTag::Parse("none");
        FAIL() << "no exception";
    } catch (const GeneralException&) {
        FAIL() << "must not be a GeneralException";
    } catch (const XmlTagException& e) {
        EXPECT_FALSE(e.Value());
    }
}

} // namespace
} // namespace tb
