#pragma once

#include "library/ServiceItem.h"

namespace tb {

// A shared music folder: its name, description, directory on disk and
// whether the cover crawler works on it. Stored with the tag "SI-S".
class ShareService : public ServiceItem {
public:
    static constexpr const char* Tag = "SI-S";

    ShareService() = default;
    ShareService(String name, String description, String folder, bool startCrawler)
        : name_(std::move(name)), description_(std::move(description)), folder_(std::move(folder)),
          startCrawler_(startCrawler) {}

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override;
    void Save(Registry& key) const override;
    String TypeTag() const override { return Tag; }

    Kind GetType() const override { return Kind::Share; }
    String Name() const override { return name_; }
    String DisplayType() const override { return "File share"; }
    // The share's top folder, with the share's random stream first.
    std::unique_ptr<MediaNode> CreateNode(FolderNode* parent, IndexBuildContext& context) override;

    const String& Description() const noexcept { return description_; }
    const String& Folder() const noexcept { return folder_; }
    bool StartCrawler() const noexcept { return startCrawler_; }

private:
    String name_;
    String description_;
    String folder_;
    bool startCrawler_ = false;
};

} // namespace tb
