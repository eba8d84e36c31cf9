#pragma once

#include "core/String.h"
#include "core/TextBuilder.h"
#include "server/HttpAnswer.h"

#include <cstdint>

namespace tb {

class FolderNode;
class RandomStreamNode;
class SongNode;
struct HttpRequest;

// What the nodes answer, written above the library (device listings and
// streams in delivery/, and what later subsystems add) and handed to the
// NodeIndex by the front end at start-up. Each node operation of the tree
// forwards to the answers of the tree it belongs to, so the library knows
// its answers only through this interface. Implementations are called from
// many connection threads at once.
class NodeAnswers {
public:
    virtual ~NodeAnswers() = default;

    // A node's <contentdata> item in a device listing.
    virtual void ContentItem(FolderNode& folder, HttpRequest& request,
                             TextBuilder& listing) const = 0;
    virtual void ContentItem(SongNode& song, HttpRequest& request, TextBuilder& listing) const = 0;
    virtual void ContentItem(RandomStreamNode& stream, HttpRequest& request,
                             TextBuilder& listing) const = 0;
    // A device's listing of a window of the node's children.
    virtual HttpAnswer Browse(FolderNode& folder, HttpRequest& request, int32_t numElem,
                              int32_t fromIndex, const String& superScroll) const = 0;
    virtual HttpAnswer Browse(RandomStreamNode& stream, HttpRequest& request, int32_t numElem,
                              int32_t fromIndex, const String& superScroll) const = 0;
    // A browser's action letter on the node.
    virtual void WebAction(FolderNode& folder, HttpRequest& request, char action) const = 0;
    virtual void WebAction(SongNode& song, HttpRequest& request, char action) const = 0;
    virtual void WebAction(RandomStreamNode& stream, HttpRequest& request, char action) const = 0;
    // Streams the song to the client.
    virtual void Play(SongNode& song, HttpRequest& request) const = 0;
};

} // namespace tb
