#include "web/PageRender.h"

#include <cstdlib>
#include <string_view>

// Any template text compiles, and any page renders from it; a text without
// a percent sign or a "<!" renders as itself.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tb::PageTemplate page;
    page.Use(std::make_shared<const tb::TemplateProgram>(text, ""));
    tb::PageRender render(page);
    render.SetText(tb::TemplateVariable::FolderName, tb::String(text.substr(0, 16)));
    render.SetFlag(tb::TemplateVariable::HasFolders, size % 2 == 0);
    tb::String history = render.RenderHistoryItem("0", "root");
    tb::String files = render.RenderFileItem("a<b>", "7", nullptr);
    tb::String folders = render.RenderFolderItem("8", "folder");
    tb::String out = render.RenderPage(history, files, folders);
    if (text.find('%') == std::string_view::npos && text.find("<!") == std::string_view::npos &&
        out.View() != text)
        abort();
    return 0;
}
