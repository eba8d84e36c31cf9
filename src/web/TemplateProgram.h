#pragma once

#include "core/String.h"
#include "web/TemplateVariable.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tb {

// One compiled piece of a page template.
struct TemplateItem {
    enum class Kind : int8_t { Text, Variable, Condition };
    Kind kind = Kind::Text;
    String text;           // the literal, for Text
    int8_t variable = -1;  // for Variable
    int8_t condition = -1; // for Condition
    bool isStart = false;  // for Condition: the "If" marker, else its end
};

// A page template compiled into its pieces: literal text, variables and
// conditional markers, with the positions of the section markers (which
// are not pieces themselves). Immutable once made, so any number of renders
// may share one.
class TemplateProgram {
public:
    // Compiles `text`; `skinDir` is the folder the skin's pictures are
    // served from (empty for the built-in template).
    TemplateProgram(std::string_view text, String skinDir);

    // The built-in template, compiled once per process.
    static std::shared_ptr<const TemplateProgram> BuiltIn();
    // The template of the skin `skinName` below `dataDir`/skins, or the
    // built-in one when the skin has no readable Template.html.
    static std::shared_ptr<const TemplateProgram> ForSkin(const String& dataDir,
                                                          const String& skinName);

    const std::vector<TemplateItem>& Items() const noexcept { return items_; }
    // The index of the first item after the section's start or end marker;
    // 0 for a marker the template lacks.
    int32_t SectionStart(TemplateSection section) const noexcept {
        return positions_[2 * static_cast<int>(section)];
    }
    int32_t SectionEnd(TemplateSection section) const noexcept {
        return positions_[2 * static_cast<int>(section) + 1];
    }
    const String& SkinDir() const noexcept { return skinDir_; }

private:
    class Compiler;

    std::vector<TemplateItem> items_;
    std::array<int32_t, 2 * TemplateSectionCount> positions_{};
    String skinDir_;
};

} // namespace tb
