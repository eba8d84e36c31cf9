// Catalog services in the real store: kept whole, listed as friendly
// stations, never in the tree, and skipped when their address is bad.
#include "netservices/CatalogService.h"

#include "config/PersistantObject.h"
#include "config/Registry.h"
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tb::test {
namespace {

TEST(CatalogServiceTest, SavesLoadsAndSkipsBadAddresses) {
    TempDir folder;
    auto store = RegistryStore::Open(folder.Path().c_str());
    auto key = OpenConfigKey(*store, "Services");
    CatalogService friendStation("Anna", "her jazz", "anna",
                                 IPAddress::FromHostPort("10.0.0.9:42961"));
    SaveObject(friendStation, *key);
    CatalogService prototype;
    auto loaded = prototype.LoadNew(*key);
    auto* catalog = dynamic_cast<CatalogService*>(loaded.get());
    ASSERT_TRUE(catalog);
    EXPECT_EQ(catalog->Name(), String("Anna"));
    EXPECT_EQ(catalog->Description(), String("her jazz"));
    EXPECT_EQ(catalog->ShortName(), String("anna"));
    EXPECT_EQ(catalog->Address().HostPortText(), String("10.0.0.9:42961"));
    EXPECT_EQ(catalog->DisplayType(), String("Friendly station"));
    key->SetString("IPAddress", "10.0.0.9");
    EXPECT_EQ(prototype.LoadNew(*key), nullptr);
}

} // namespace
} // namespace tb::test
