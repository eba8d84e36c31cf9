#include "server/DeviceRequest.h"

#include "core/Exceptions.h"
#include "core/LeadingInteger.h"
#include "server/GetRequestParser.h"

#include <string>
#include <strings.h>

namespace tb {

namespace {

// Where the root element starts: after the first "<", any XML declaration,
// processing instructions, comments and white space that some players send
// before it are skipped. npos when there is no root element.
size_t RootElementStart(std::string_view text) {
    size_t at = text.find('<');
    while (at != std::string_view::npos) {
        std::string_view end;
        if (text.substr(at, 2) == "<?")
            end = "?>";
        else if (text.substr(at, 4) == "<!--")
            end = "-->";
        else
            return at;
        size_t close = text.find(end, at + 2);
        if (close == std::string_view::npos)
            return close;
        at = text.find_first_not_of(" \t\r\n", close + end.size());
        if (at != std::string_view::npos && text[at] != '<')
            return std::string_view::npos;
    }
    return at;
}

} // namespace

std::optional<DeviceRequest> DeviceRequest::Parse(std::string_view text) {
    DeviceRequest request;
    request.unitKey = GetParam("eui64", text);
    size_t open = RootElementStart(text);
    if (open == std::string_view::npos)
        return std::nullopt;
    // The parser reads up to a terminating NUL.
    std::string document(text.substr(open));
    try {
        request.root = XmlTag::Parse(document.c_str());
    } catch (const XmlTagException&) {
        return std::nullopt;
    }
    return request;
}

bool DeviceRequest::IsInfo() const {
    return strcasecmp(root->Name().c_str(), "RequestInfo") == 0;
}

String DeviceRequest::Text(const char* name) const {
    const XmlTag* child = root->FindChild(name);
    if (!child)
        return String();
    try {
        return child->GetText();
    } catch (const XmlTagException&) {
        return String(); // an element without text reads as no digits
    }
}

int32_t DeviceRequest::Number(const char* name, int32_t fallback) const {
    return root->HasChild(name) ? LeadingInteger(Text(name).View()) : fallback;
}

String DeviceRequest::SuperScroll() const {
    return Text("superScroll");
}

bool DeviceRequest::NamesANode() const {
    return root->HasChild("NodeID") && NodeId() != 0;
}

} // namespace tb
