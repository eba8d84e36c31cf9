#pragma once

#include "core/String.h"
#include "web/PageCache.h"
#include "web/TemplateProgram.h"

#include <array>
#include <memory>
#include <mutex>

namespace tb {

// The values of a template's variables, one text each.
using TemplateValues = std::array<String, TemplateVariableCount>;

// A web user's page template: the compiled skin and the values its
// variables had at the end of the last render, which a render starts from
// (a variable a page does not set keeps its earlier value). A render works
// on its own copy of both (PageRender), so that two pages of one user are
// made at the same time and a compile never changes a render under way.
// Thread-safe.
class PageTemplate {
public:
    // Starts with the built-in template.
    PageTemplate() : program_(TemplateProgram::BuiltIn()) {}

    // Compiles the skin `skinName` below `dataDir` (the built-in template
    // when it has no readable Template.html); renders begun earlier finish
    // with the previous one.
    void Compile(const String& dataDir, const String& skinName);
    // Uses a program compiled elsewhere (one compile serves every user).
    void Use(std::shared_ptr<const TemplateProgram> program);
    // The skin folder of the compiled template, empty for the built-in one.
    String SkinDir() const;
    std::shared_ptr<const TemplateProgram> Program() const;
    // The pages made from this template lately.
    PageCache& Pages() noexcept { return pages_; }

    // What a render starts from.
    struct Snapshot {
        std::shared_ptr<const TemplateProgram> program;
        TemplateValues values;
    };
    Snapshot Take() const;
    // Keeps the values a render ended with.
    void Keep(const TemplateValues& values);

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const TemplateProgram> program_; // guarded by mutex_
    TemplateValues values_;                          // guarded by mutex_
    PageCache pages_;
};

} // namespace tb
