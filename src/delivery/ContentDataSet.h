#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

struct HttpRequest;

// One device listing: "<contentdataset>", the items, the counts, the
// closing tag, sent with its XML header in a single write.
class ContentDataSet {
public:
    ContentDataSet() : body_("<contentdataset>") {}

    void AddItem(const String& item) { body_ += item; }
    // Closes the listing with its counts and sends it, tagged `etag`.
    void Send(HttpRequest& request, int32_t total, int32_t fromIndex, int32_t count,
              const String& etag);

private:
    String body_;
};

// The window of a listing that a device asked for: `numElem` children from
// `fromIndex`, cut at the end of the list.
struct ListingWindow {
    int32_t fromIndex;
    int32_t numElem;
    // Items may be written for positions fromIndex .. fromIndex + numElem - 1.
    bool HasItems() const { return fromIndex >= 0 && numElem > 0; }
};
ListingWindow ClampWindow(int32_t count, int32_t numElem, int32_t fromIndex);

// "[name]: Reading 'folder'" and, for part of a list, " (first..last)".
String ReadingLine(const String& userName, const String& listName, int32_t count,
                   const ListingWindow& window);

} // namespace tb
