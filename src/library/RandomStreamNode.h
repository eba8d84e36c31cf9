#pragma once

#include "core/Array.h"
#include "library/MediaNode.h"

namespace tb {

class SongNode;
struct ShareInfo;

// An endless random play of a set of songs owned elsewhere in the tree.
class RandomStreamNode : public MediaNode {
public:
    static constexpr const char* DefaultName = "[Random stream]";

    RandomStreamNode(MediaNode* parent, const ShareInfo* share)
        : MediaNode(DefaultName, parent), share_(share) {}

    bool IsPlayable() const override { return false; }
    bool IsFolder() const override { return false; }
    bool IsSong() const override { return false; }
    void ContentItem(HttpRequest& request, TextBuilder& listing) override;
    void WebAction(HttpRequest& request, char action) override;
    HttpAnswer Browse(HttpRequest& request, int32_t numElem, int32_t fromIndex,
                      const String& superScroll) override;
    String GetETag(HttpRequest& request, char action) override;

    Array<SongNode*>& Songs() noexcept { return songs_; }
    const Array<SongNode*>& Songs() const noexcept { return songs_; }
    const ShareInfo* Share() const noexcept { return share_; }

private:
    const ShareInfo* share_;
    Array<SongNode*> songs_;
};

} // namespace tb
