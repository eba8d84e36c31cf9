#pragma once

#include "core/String.h"
#include "web/PageTemplate.h"

#include <cstdint>

namespace tb {

class Mp3Info;

// One page made from a template: set the page variables, render the
// section items, then the page. Works on a copy of the template's program
// and values and hands the values back when it ends. Names given to the
// item renders are placed into HTML escaped and as UTF-8; SetText stores
// its text as it is. One thread.
class PageRender {
public:
    explicit PageRender(PageTemplate& page);
    ~PageRender();
    PageRender(const PageRender&) = delete;
    PageRender& operator=(const PageRender&) = delete;

    void SetText(TemplateVariable variable, String text);
    void SetNumber(TemplateVariable variable, int32_t number);
    void SetFlag(TemplateVariable variable, bool flag);
    const String& Value(TemplateVariable variable) const;

    String RenderHistoryItem(const String& link, const String& name);
    String RenderFolderItem(const String& link, const String& name);
    // `info` null: a playable item that is no song (no tag texts, 0:00).
    String RenderFileItem(const String& name, const String& link, const Mp3Info* info);
    String RenderPage(const String& history, const String& files, const String& folders) const;

private:
    String RenderSection(TemplateSection section) const;
    void SetSongTexts(const String& name, const Mp3Info* info);
    bool IsTrue(int condition) const;
    const String& ItemText(const TemplateItem& item) const;

    PageTemplate& page_;
    PageTemplate::Snapshot snapshot_;
};

} // namespace tb
