#pragma once

#include "library/ServiceItem.h"

#include <array>

namespace tb {

// An Internet radio station as the user keeps it: a name, free texts and
// up to eight server URLs. Stored with the tag "SI-R". At every index build
// it becomes one station node (quick access) or a folder of one node per
// URL, which hands every browser action to this service.
class RadioService : public ServiceItem {
public:
    static constexpr const char* Tag = "SI-R";
    static constexpr int UrlSlots = 8;

    struct Fields {
        String name;
        String description;
        std::array<String, UrlSlots> urls;
        String genre;
        String provider;
        bool quickAccess = false;
        bool routeDirectly = false;
    };

    RadioService() = default;
    explicit RadioService(Fields fields) : fields_(std::move(fields)) {}

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override;
    void Save(Registry& key) const override;
    String TypeTag() const override { return Tag; }

    Kind GetType() const override { return Kind::RadioStation; }
    String Name() const override { return fields_.name; }
    String DisplayType() const override { return "Radio station"; }
    std::unique_ptr<MediaNode> CreateNode(FolderNode* parent, IndexBuildContext& context) override;
    // A browser opening the station's folder: a pls of every URL.
    void WebAction(FolderNode& folder, HttpRequest& request, char action) override;

    const Fields& Values() const noexcept { return fields_; }

private:
    Fields fields_;
};

} // namespace tb
