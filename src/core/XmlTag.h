#pragma once

#include "core/Array.h"
#include "core/TagValue.h"
#include "core/XmlNode.h"

#include <memory>

namespace tb {

// One XML element of the small subset players post: elements, attributes
// and character data; no comments, processing instructions, CDATA or
// entity decoding. Any malformed construct throws XmlTagException.
class XmlTag : public XmlNode {
public:
    // Deeper documents are refused so that parsing and destruction stay
    // within a modest thread stack.
    static constexpr int MaxDepth = 100;

    // Parses the whole document starting at the first '<' and returns the
    // root element. Text after the root's closing tag is ignored.
    static std::unique_ptr<XmlTag> Parse(const char* text);

    String ToString() const override;
    NodeKind Kind() const override { return NodeKind::Element; }

    const String& Name() const noexcept { return name_; }
    bool IsEmpty() const noexcept { return empty_; }
    const Array<TagValue>& Attributes() const noexcept { return attributes_; }
    const Array<std::unique_ptr<XmlNode>>& Children() const noexcept { return children_; }

    // True when a child element has this name, ignoring case.
    bool HasChild(const char* name) const { return FindChild(name) != nullptr; }
    // The first child element with this name, ignoring case, or null.
    const XmlTag* FindChild(const char* name) const;
    // The text of an element whose only child is a text node.
    String GetText() const;

private:
    class Parser;

    String name_;
    bool empty_ = false;
    bool closing_ = false;
    Array<TagValue> attributes_;
    Array<std::unique_ptr<XmlNode>> children_;
};

} // namespace tb
