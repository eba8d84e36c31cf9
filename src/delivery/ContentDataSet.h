#pragma once

#include "core/String.h"
#include "core/TextBuilder.h"
#include "server/HttpAnswer.h"

#include <cstdint>

namespace tb {

class MediaNode;
struct HttpRequest;

// One device listing: "<contentdataset>", the items, the counts and the
// closing tag, with its XML header. Built in one growing buffer.
class ContentDataSet {
public:
    // `items` sizes the buffer: about 400 bytes per item.
    explicit ContentDataSet(int32_t items) : body_(400 * (items > 0 ? items : 0) + 200) {
        body_.Append("<contentdataset>");
    }

    void AddItem(MediaNode& node, HttpRequest& request);
    // Closes the listing with its counts; the answer is tagged `etag`.
    HttpAnswer Finish(int32_t total, int32_t fromIndex, int32_t count, const String& etag);

private:
    TextBuilder body_;
};

// The window of a listing that a device asked for: `numElem` children from
// `fromIndex`, cut at the end of the list and at MaxPageItems, so that one
// request cannot make the server format a whole library.
constexpr int32_t MaxPageItems = 1000;
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
