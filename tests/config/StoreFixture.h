#pragma once

#include "config/PrototypeTable.h"
#include "config/Registry.h"
#include "config/RegistryException.h"
#include "config/RegistryStore.h"
#include "core/String.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tb {

inline void PrintTo(const String& text, std::ostream* out) {
    *out << '"' << text.View() << '"';
}

namespace test {

// A value as the store file holds it, read beside the program with SQLite
// itself: the oracle for what the program wrote, and the way to plant
// values of any type for it to read.
struct RawValue {
    std::string name;
    uint32_t type;
    std::string data;
    bool operator==(const RawValue&) const = default;
};
// The values of the key at `keyPath`, in the order they were first written.
std::vector<RawValue> RawValues(const std::string& storeFile, const std::string& keyPath);
// Runs SQL of one's own on a file, as another program would.
void ExecuteSql(const std::string& file, const std::string& sql);
// Writes a value of any type into an existing key.
void PlantValue(const std::string& storeFile, const std::string& keyPath, const RawValue& value);

// A store in a fresh temporary folder, removed afterwards.
class StoreFixture : public ::testing::Test {
protected:
    String Directory() const { return String(dir.Path()); }
    std::string StoreFile() const { return dir / RegistryStore::FileName; }

    void Reopen() {
        store.reset();
        store = RegistryStore::Open(Directory());
    }
    // A key by its full path, created when missing.
    std::unique_ptr<Registry> Key(const String& path) {
        auto key = std::make_unique<Registry>();
        key->Open(*store, path, FullAccess, true);
        return key;
    }
    // A key below the program's root key, created when missing.
    std::unique_ptr<Registry> ConfigKey(const String& subKey) {
        return Key(String(RootKeyPath) + "\\" + subKey);
    }
    std::vector<RawValue> RawValuesOf(const String& path) {
        return RawValues(StoreFile(), std::string(path.View()));
    }
    void Plant(const String& path, const RawValue& value) {
        PlantValue(StoreFile(), std::string(path.View()), value);
    }

    TempDir dir;
    std::unique_ptr<RegistryStore> store = RegistryStore::Open(Directory());
};

// The RegistryException that `action` throws; a failure when there is none.
template <typename Action> RegistryException CatchRegistryException(Action action) {
    try {
        action();
    } catch (const RegistryException& e) {
        return e;
    }
    ADD_FAILURE() << "no RegistryException";
    return RegistryException(-1, "(none)");
}

} // namespace test
} // namespace tb
