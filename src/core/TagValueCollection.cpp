#include "core/TagValueCollection.h"

#include <strings.h>

namespace tb {

String TagValue::ToString(const char* separator, bool quoted) const {
    if (quoted)
        return tag + separator + "\"" + value + "\"";
    return tag + separator + value;
}

const TagValue* TagValueCollection::Find(const char* tag) const {
    for (const TagValue& pair : pairs_)
        if (strcasecmp(pair.tag.c_str(), tag) == 0)
            return &pair;
    return nullptr;
}

int32_t TagValueCollection::Parse(const char* text, char separator, bool stopAtBlankLine) {
    const char* p = text;
    while (*p && !(stopAtBlankLine && *p == '\r')) {
        const char* sep = p;
        while (*sep && *sep != '\r' && *sep != separator)
            ++sep;
        if (*sep == 0 || *sep != separator) // a NUL separator is the end of text
            throw TagValueCollectionException();
        const char* end = sep + 1;
        while (*end && *end != '\r' && *end != '\n')
            ++end;
        String tag = String(p, static_cast<int32_t>(sep - p)).Trim();
        String value = String(sep + 1, static_cast<int32_t>(end - sep - 1)).Trim();
        Add(tag, value);
        p = end;
        if (*p == '\r')
            ++p;
        if (*p == '\n')
            ++p;
    }
    return static_cast<int32_t>(p - text);
}

} // namespace tb
