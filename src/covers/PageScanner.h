#pragma once

#include "core/String.h"

#include <string>
#include <string_view>

namespace tb {

// A cursor over one fetched page and the steps the cover site searches
// take through it. Markers, tag and attribute names and texts compare
// ignoring ASCII case. With `must` set a step that fails throws
// DizerOviziraObjectException; otherwise it answers false (or an empty
// value) and leaves the cursor where its scan ended. Never reads outside
// the page, whatever it holds. One scanner serves one search.
class PageScanner {
public:
    // A new page; the cursor goes to its start.
    void SetPage(std::string page);
    const std::string& Page() const noexcept { return page_; }
    size_t Cursor() const noexcept { return cursor_; }

    // To just after the next occurrence of `marker`.
    bool SkipPast(std::string_view marker, bool must = true);
    // Past the next `count` ">" characters.
    bool SkipTags(int count, bool must = true);
    // The value of `attribute` in the next `tag` ("img"/"src", "a"/"href",
    // "option"/"value"), written ` name="value"` before the tag's ">"; the
    // cursor goes past the tag. A next tag without it fails.
    String NextAttribute(std::string_view tag, std::string_view attribute, bool must = true);
    // After characters up to code 32, `text` must follow; steps past it.
    bool ExpectText(std::string_view text, bool must = true);
    // ExpectText, and then (after characters up to code 32) a "<": the
    // element's text is exactly `text`.
    bool MatchText(std::string_view text, bool must = true);

private:
    bool Fail(bool must);
    size_t Find(std::string_view what, size_t from) const;
    size_t SkipBlanks(size_t from) const;

    std::string page_;
    size_t cursor_ = 0;
};

// A query value as the cover sites take it: a space becomes "+", bytes
// below 0x20 or above 0x7F and "&", "%", "#" and "?" become "%XX".
String UrlEncode(const String& text);

} // namespace tb
