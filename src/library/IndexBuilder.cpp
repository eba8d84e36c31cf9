#include "library/IndexBuilder.h"

#include "core/ActivityLog.h"
#include "library/CategoryBuilder.h"
#include "library/ChildSort.h"
#include "library/IndexProgress.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "library/SongNode.h"

namespace tb {
namespace {

std::unique_ptr<FolderNode> NewFolder(const String& name, MediaNode* parent) {
    return std::make_unique<FolderNode>(name, parent, nullptr, String(),
                                        FolderNode::Ownership::Owning);
}

// Adds the node of every service of `kind` to `folder`; false when one was cancelled.
bool AddServices(ServiceList& services, ServiceItem::Kind kind, FolderNode& folder,
                 IndexBuildContext& context) {
    for (const auto& service : services.Items()) {
        if (service->GetType() != kind)
            continue;
        auto node = service->CreateNode(&folder, context);
        if (!node)
            return false;
        folder.AddChild(node.release());
    }
    return true;
}

void AddCategories(FolderNode& root, const IndexOptions& options) {
    const struct {
        bool wanted;
        const char* name;
        CategoryBuilder::Kind kind;
    } categories[] = {
        {options.genreFolder, "Genre", CategoryBuilder::Kind::Genre},
        {options.albumFolder, "Album", CategoryBuilder::Kind::Album},
        {options.artistFolder, "Artist", CategoryBuilder::Kind::Artist},
        {options.yearFolder, "Year", CategoryBuilder::Kind::Year},
    };
    for (const auto& c : categories) {
        if (!c.wanted)
            continue;
        auto category = NewFolder(c.name, &root);
        CategoryBuilder(c.kind, *category).FileSongsBelow(root);
        SortChildren(*category);
        root.AddChild(category.release());
    }
}

void CollectSongs(FolderNode& folder, Array<SongNode*>& songs) {
    for (MediaNode* child : folder.Children()) {
        if (child->IsSong())
            songs.Add(static_cast<SongNode*>(child));
        else if (child->IsFolder() && static_cast<FolderNode*>(child)->OwnsChildren())
            CollectSongs(static_cast<FolderNode&>(*child), songs);
    }
}

// Steps that build the new tree; null when the build was cancelled.
std::shared_ptr<NodeTree> BuildTree(ServiceList& services, const IndexOptions& options,
                                    const NodeAnswers& answers, ActivityLog& log,
                                    IndexProgress* progress) {
    std::vector<std::unique_ptr<ShareInfo>> shares;
    IndexBuildContext context{progress, &log, options.preloadMp3Info, &shares};
    auto root = NewFolder(options.serverName, nullptr);

    log.AddLine("Building shared file index...");
    if (!AddServices(services, ServiceItem::Kind::Share, *root, context))
        return nullptr;
    log.AddLine("Building radio station index...");
    auto radio = NewFolder("Radio", root.get());
    if (!AddServices(services, ServiceItem::Kind::RadioStation, *radio, context))
        return nullptr;
    if (!radio->Children().IsEmpty())
        root->AddChild(radio.release());

    if (options.preloadMp3Info) {
        log.AddLine("Building genre directory...");
        AddCategories(*root, options);
    }

    shares.push_back(std::make_unique<ShareInfo>(ShareInfo{options.serverName, String()}));
    auto stream = std::make_unique<RandomStreamNode>(nullptr, shares.back().get());
    CollectSongs(*root, stream->Songs());

    if (progress)
        progress->SetStatus("(nodindex)");
    log.AddLine("Creating node index...");
    auto tree = std::make_shared<NodeTree>();
    tree->Adopt(std::move(root), std::move(stream), std::move(shares), DateTime::NowUtc(), answers);
    if (progress)
        progress->SetStatus("(st\xE4"
                            "dar)");
    return tree;
}

} // namespace

void BuildIndex(NodeIndex& index, ServiceList& services, const IndexOptions& options,
                ActivityLog& log, IndexProgress* progress) {
    NodeIndex::Guard lock(index);
    index.SetReindexInProgress(true);
    try {
        if (!progress || progress->Begin()) {
            ServiceList::Guard servicesLock(services);
            if (auto tree = BuildTree(services, options, index.Answers(), log, progress))
                index.Install(std::move(tree));
        }
    } catch (...) {
        // Out of memory or a failing service: the previous tree stays.
        if (progress)
            progress->End();
        index.SetReindexInProgress(false);
        throw;
    }
    if (progress)
        progress->End();
    index.SetReindexInProgress(false);
    log.AddLine("Created " + String::FromUnsigned(static_cast<uint32_t>(index.Tree()->Count())) +
                " nodes.");
}

} // namespace tb
