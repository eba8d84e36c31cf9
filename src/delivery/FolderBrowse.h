#pragma once

#include "core/String.h"
#include "core/TextBuilder.h"
#include "server/HttpAnswer.h"

#include <cstdint>

namespace tb {

class FolderNode;
class RandomStreamNode;
struct HttpRequest;

// What folders and random streams answer a device: their own item in a
// listing, and the listing of a window of their children.
void AppendFolderItem(const FolderNode& folder, TextBuilder& listing);
HttpAnswer BrowseFolder(FolderNode& folder, HttpRequest& request, int32_t numElem,
                        int32_t fromIndex, const String& superScroll);
void AppendRandomStreamItem(const RandomStreamNode& stream, TextBuilder& listing);
// Lists the stream's songs in the device's own shuffled order.
HttpAnswer BrowseRandomStream(RandomStreamNode& stream, HttpRequest& request, int32_t numElem,
                              int32_t fromIndex);

} // namespace tb
