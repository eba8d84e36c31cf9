#include "core/Exceptions.h"
#include "core/XmlTag.h"

#include <string>

// Any bytes either parse into a tree that prints and queries safely, or
// throw XmlTagException; nothing else may happen.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        auto root = tb::XmlTag::Parse(text.c_str());
        root->ToString();
        root->HasChild("NodeID");
        try {
            root->GetText();
        } catch (const tb::XmlTagException&) {
        }
    } catch (const tb::XmlTagException&) {
    }
    return 0;
}
