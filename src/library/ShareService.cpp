#include "library/ShareService.h"

#include "config/Registry.h"
#include "core/ActivityLog.h"
#include "library/FolderNode.h"
#include "library/RandomStreamNode.h"
#include "library/ShareInfo.h"
#include "library/ShareScanner.h"

#include <system_error>

namespace tb {

std::unique_ptr<PersistantObject> ShareService::LoadNew(Registry& key) const {
    auto share = std::make_unique<ShareService>();
    key.GetString("Name", share->name_, false);
    key.GetString("Description", share->description_, false);
    key.GetString("Share", share->folder_, false);
    key.GetFlag("StartDizerOvizira", share->startCrawler_);
    return share;
}

void ShareService::Save(Registry& key) const {
    key.SetString("Name", name_);
    key.SetString("Description", description_);
    key.SetString("Share", folder_);
    key.SetFlag("StartDizerOvizira", startCrawler_);
}

std::unique_ptr<MediaNode> ShareService::CreateNode(FolderNode* parent,
                                                    IndexBuildContext& context) {
    // "Indexed 0 folders" alone would leave the owner guessing.
    if (int error = ShareScanner::FolderError(folder_); error != 0 && context.log)
        context.log->AddLine("Share '" + name_ + "': cannot read the folder '" + folder_ + "' (" +
                             std::system_category().message(error).c_str() + ").");
    context.shares->push_back(std::make_unique<ShareInfo>(ShareInfo{name_, folder_}));
    const ShareInfo* share = context.shares->back().get();
    auto stream = std::make_unique<RandomStreamNode>(nullptr, share);
    ShareScanner scanner(share, context.progress,
                         context.preload ? SongNode::Preload::Yes : SongNode::Preload::No,
                         stream->Songs());
    auto top = scanner.Scan(name_, folder_, parent);
    if (!top)
        return nullptr;
    stream->SetParent(top.get());
    top->Children().InsertAt(0, stream.release());
    return top;
}

} // namespace tb
