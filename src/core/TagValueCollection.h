#pragma once

#include "core/Array.h"
#include "core/TagValue.h"

namespace tb {

// Ordered name/value pairs, duplicates allowed. Not thread-safe.
class TagValueCollection {
public:
    void Add(const String& tag, const String& value) { pairs_.Add(TagValue{tag, value}); }

    // The first pair whose tag equals `tag` ignoring case, or null.
    const TagValue* Find(const char* tag) const;

    // Appends one pair per line of `text` (tag, separator, value; both
    // trimmed). Stops at NUL, or at an empty line when `stopAtBlankLine`.
    // Returns the offset where parsing stopped. A line without the separator
    // throws TagValueCollectionException.
    int32_t Parse(const char* text, char separator, bool stopAtBlankLine);

    int32_t Count() const noexcept { return pairs_.Count(); }
    const TagValue& At(int32_t index) const { return pairs_.At(index); }

private:
    Array<TagValue> pairs_;
};

} // namespace tb
