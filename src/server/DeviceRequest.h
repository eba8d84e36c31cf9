#pragma once

#include "core/String.h"
#include "core/XmlTag.h"

#include <memory>
#include <optional>
#include <string_view>

namespace tb {

// A device's POST as the server reads it: the identity from the query and
// the XML document from the first "<" on. Never throws.
struct DeviceRequest {
    String unitKey;
    std::unique_ptr<XmlTag> root;

    // The INFO button rather than a browse request.
    bool IsInfo() const;
    // Browse parameters, each the atoi of its element's text, or the default.
    int32_t NodeId() const { return Number("NodeID", 1); }
    int32_t FromIndex() const { return Number("fromindex", 0); }
    int32_t NumElem() const { return Number("numelem", 1000); }
    String SuperScroll() const;
    // True when a NodeID element is present and its value is not 0.
    bool NamesANode() const;

    // Empty when the request holds no "<" or no well-formed document.
    static std::optional<DeviceRequest> Parse(std::string_view text);

private:
    int32_t Number(const char* name, int32_t fallback) const;
    String Text(const char* name) const;
};

} // namespace tb
