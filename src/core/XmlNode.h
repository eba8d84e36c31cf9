#pragma once

#include "core/String.h"

namespace tb {

// A node of a parsed XML document: an element (XmlTag) or a text run (XmlText).
class XmlNode {
public:
    enum class NodeKind { Element = 0, Text = 1 };

    virtual ~XmlNode() = default;
    virtual String ToString() const = 0;
    virtual NodeKind Kind() const = 0;
};

// Character data exactly as it stood between two tags: entities are not
// decoded, trailing white space is kept.
class XmlText : public XmlNode {
public:
    explicit XmlText(String text) : text_(std::move(text)) {}
    String ToString() const override { return text_; }
    NodeKind Kind() const override { return NodeKind::Text; }

private:
    String text_;
};

} // namespace tb
