#include "core/XmlTag.h"

#include "core/Exceptions.h"

#include <strings.h>

namespace tb {

class XmlTag::Parser {
public:
    explicit Parser(const char* text) : p_(text) {}

    std::unique_ptr<XmlTag> Document() {
        while (*p_ && *p_ != '<')
            ++p_;
        if (!*p_)
            throw XmlTagException();
        auto root = Tag();
        Content(*root, 1);
        return root;
    }

private:
    void SkipSpaces() {
        while (*p_ == ' ')
            ++p_;
    }

    // At '<': reads one start, empty or closing tag.
    std::unique_ptr<XmlTag> Tag() {
        auto tag = std::make_unique<XmlTag>();
        ++p_;
        SkipSpaces();
        if (*p_ == '/') {
            tag->closing_ = true;
            ++p_;
        }
        const char* name = p_;
        while (*p_ && *p_ != '>' && *p_ != '/' && *p_ != ' ')
            ++p_;
        tag->name_ = String(name, static_cast<int32_t>(p_ - name));
        SkipSpaces();
        if (!*p_)
            throw XmlTagException();
        if (*p_ == '/') {
            EmptyEnd(*tag);
            return tag;
        }
        Attributes(*tag);
        return tag;
    }

    // At '/': the rest of an empty element, "/ >".
    void EmptyEnd(XmlTag& tag) {
        ++p_;
        SkipSpaces();
        if (*p_ != '>')
            throw XmlTagException();
        ++p_;
        tag.empty_ = true;
    }

    void Attributes(XmlTag& tag) {
        for (;;) {
            SkipSpaces();
            if (!*p_)
                throw XmlTagException();
            if (*p_ == '>') {
                ++p_;
                return;
            }
            if (*p_ == '/') {
                EmptyEnd(tag);
                return;
            }
            tag.attributes_.Add(Attribute());
        }
    }

    TagValue Attribute() {
        const char* name = p_;
        while (*p_ && *p_ != ' ' && *p_ != '=' && *p_ != '>' && *p_ != '/')
            ++p_;
        TagValue attribute{String(name, static_cast<int32_t>(p_ - name)), String()};
        SkipSpaces();
        if (*p_ != '=')
            return attribute;
        ++p_;
        SkipSpaces();
        if (*p_ == '"') {
            const char* value = ++p_;
            while (*p_ && *p_ != '"')
                ++p_;
            if (!*p_)
                throw XmlTagException();
            attribute.value = String(value, static_cast<int32_t>(p_ - value));
            ++p_;
        } else {
            const char* value = p_;
            while (*p_ && *p_ != ' ' && *p_ != '>')
                ++p_;
            attribute.value = String(value, static_cast<int32_t>(p_ - value));
        }
        return attribute;
    }

    // Reads children and text until the element's closing tag.
    void Content(XmlTag& element, int depth) {
        if (depth > MaxDepth)
            throw XmlTagException();
        for (;;) {
            while (*p_ && static_cast<unsigned char>(*p_) < '!')
                ++p_;
            const char* text = p_;
            while (*p_ && *p_ != '<')
                ++p_;
            if (!*p_)
                throw XmlTagException();
            if (p_ > text)
                element.children_.Add(
                    std::make_unique<XmlText>(String(text, static_cast<int32_t>(p_ - text))));
            auto tag = Tag();
            if (tag->closing_) {
                if (strcasecmp(tag->name_.c_str(), element.name_.c_str()) != 0)
                    throw XmlTagException();
                return;
            }
            if (!tag->empty_)
                Content(*tag, depth + 1);
            element.children_.Add(std::move(tag));
        }
    }

    const char* p_;
};

std::unique_ptr<XmlTag> XmlTag::Parse(const char* text) {
    return Parser(text).Document();
}

String XmlTag::ToString() const {
    String out = "<" + name_;
    for (const TagValue& attribute : attributes_)
        out += " " + attribute.ToString("=", true);
    if (empty_)
        return out + "/>";
    out += ">";
    for (const auto& child : children_)
        out += child->ToString();
    return out + "</" + name_ + ">";
}

const XmlTag* XmlTag::FindChild(const char* name) const {
    for (const auto& child : children_) {
        if (child->Kind() != NodeKind::Element)
            continue;
        const auto& tag = static_cast<const XmlTag&>(*child);
        if (strcasecmp(tag.name_.c_str(), name) == 0)
            return &tag;
    }
    return nullptr;
}

String XmlTag::GetText() const {
    if (children_.Count() != 1 || children_.At(0)->Kind() != NodeKind::Text)
        throw XmlTagException();
    return children_.At(0)->ToString();
}

} // namespace tb
