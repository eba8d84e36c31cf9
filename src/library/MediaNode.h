#pragma once

#include "core/String.h"
#include "core/TextBuilder.h"
#include "server/HttpAnswer.h"

#include <cstdint>

namespace tb {

class NodeAnswers;
struct HttpRequest;

// Anything a device or browser can name by ID: a folder, a song, a random
// stream or a radio station. Nodes belong to one NodeTree; `id` is the
// node's position in that tree's index (devices see id + 1).
class MediaNode {
public:
    MediaNode(String name, MediaNode* parent) : name_(std::move(name)), parent_(parent) {}
    virtual ~MediaNode() = default;
    MediaNode(const MediaNode&) = delete;
    MediaNode& operator=(const MediaNode&) = delete;

    virtual bool IsPlayable() const = 0;
    virtual bool IsFolder() const = 0;
    virtual bool IsSong() const = 0;
    // Appends the node's <contentdata> item to a device's listing.
    virtual void ContentItem(HttpRequest& request, TextBuilder& listing) = 0;
    // Answers a browser's action letter on this node.
    virtual void WebAction(HttpRequest& request, char action) = 0;
    // A device's listing of a window of the node's children, to be sent
    // once the node index lock is released; empty for nodes without one.
    virtual HttpAnswer Browse(HttpRequest&, int32_t /*numElem*/, int32_t /*fromIndex*/,
                              const String& /*superScroll*/) {
        return {};
    }
    // True when the name's first character, upper-cased, is at or after the
    // first character of `letter`, upper-cased (signed character codes).
    virtual bool StartsAtOrAfter(const String& letter) const;
    // Streams the node to the client.
    virtual void Play(HttpRequest&) {}
    // The entity tag of the answer to `action`.
    virtual String GetETag(HttpRequest& request, char action) = 0;

    const String& Name() const noexcept { return name_; }
    int32_t Id() const noexcept { return id_; }
    int32_t WireId() const noexcept { return id_ + 1; }
    MediaNode* Parent() const noexcept { return parent_; }
    void SetParent(MediaNode* parent) noexcept { parent_ = parent; }
    void SetId(int32_t id) noexcept { id_ = id; }

protected:
    // The answers of the tree the request's node belongs to.
    static const NodeAnswers& AnswersOf(const HttpRequest& request);

private:
    String name_;
    MediaNode* parent_;
    int32_t id_ = 0;
};

} // namespace tb
