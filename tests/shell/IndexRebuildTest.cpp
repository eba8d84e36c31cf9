// A reindex that fails keeps the server serving the tree it had.
#include "shell/IndexRebuild.h"

#include "config/Settings.h"
#include "delivery/DeliveryAnswers.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "support/LineLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <new>

namespace tb {
namespace {

// A service whose node cannot be made: the build runs out of memory.
class FailingService : public ServiceItem {
public:
    std::unique_ptr<PersistantObject> LoadNew(Registry&) const override { return nullptr; }
    void Save(Registry&) const override {}
    String TypeTag() const override { return "TEST"; }
    Kind GetType() const override { return Kind::Share; }
    String Name() const override { return "Failing"; }
    String DisplayType() const override { return "Failing"; }
    std::unique_ptr<MediaNode> CreateNode(FolderNode*, IndexBuildContext&) override {
        throw std::bad_alloc();
    }
};

TEST(IndexRebuildTest, AFailedBuildIsLoggedAndThePreviousTreeStays) {
    test::TempDir music;
    music.Write("lib/Song.mp3", "");
    ServiceList services;
    DeliveryAnswers answers;
    NodeIndex index(answers);
    test::LineLog log;
    Settings settings;
    {
        ServiceList::Guard lock(services);
        services.Items().push_back(
            std::make_shared<ShareService>("Lib", "", (music / "lib").c_str(), false));
    }
    RebuildIndex(index, services, settings, log, nullptr);
    auto built = index.Tree();
    ASSERT_EQ(built->Count(), 5);

    {
        ServiceList::Guard lock(services);
        services.Items().push_back(std::make_shared<FailingService>());
    }
    RebuildIndex(index, services, settings, log, nullptr);
    EXPECT_EQ(log.Lines().back(),
              "The index could not be built, the previous one stays: std::bad_alloc");
    EXPECT_EQ(index.Tree(), built);
    EXPECT_FALSE(index.ReindexInProgress());
    ServiceList::Guard stillUsable(services);
}

} // namespace
} // namespace tb
