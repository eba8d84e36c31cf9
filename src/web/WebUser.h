#pragma once

#include "web/PageTemplate.h"
#include "web/UserItem.h"

#include <memory>

namespace tb {

// A person (or device) allowed to use the server: a login ID and password
// for browsers; the same ID admits a device with that identity. Stored with
// the tag "W-UI".
class WebUser : public UserItem {
public:
    static constexpr const char* Tag = "W-UI";

    String id;
    String password;
    // The compiled skin the user's pages are made from; never stored.
    // Copies of the entry share it.
    std::shared_ptr<PageTemplate> page = std::make_shared<PageTemplate>();

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override;
    void Save(Registry& key) const override;
    String TypeTag() const override { return Tag; }

    std::unique_ptr<UserItem> Clone() const override { return std::make_unique<WebUser>(*this); }
    String Key() const override { return id; }
    void SetKey(const String& key) override { id = key; }
    bool MatchesId(const String& text) const override { return text == id; }
    // `credentials` is "id:password", compared byte for byte.
    bool MatchesCredentials(const String& credentials) const override;
    int Kind() const override { return 1; }
};

} // namespace tb
