#include "server/DeviceRequest.h"

#include "core/Exceptions.h"
#include "core/LeadingInteger.h"
#include "server/GetRequestParser.h"

#include <string>
#include <strings.h>

namespace tb {

std::optional<DeviceRequest> DeviceRequest::Parse(std::string_view text) {
    DeviceRequest request;
    request.unitKey = GetParam("eui64", text);
    size_t open = text.find('<');
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
