#pragma once

#include "config/Registry.h"
#include "config/RegistryException.h"
#include "config/RegistryStore.h"
#include "core/String.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace tb {

inline void PrintTo(const String& text, std::ostream* out) {
    *out << '"' << text.View() << '"';
}

namespace test {

// A store in a fresh temporary folder, removed afterwards.
class StoreFixture : public ::testing::Test {
protected:
    String Directory() const { return String(dir.Path()); }
    String StoreFile() const { return String(dir / RegistryStore::FileName); }

    void Reopen() {
        store.reset();
        store = RegistryStore::Open(Directory());
    }

    // A key below the program's root key, created when missing.
    std::unique_ptr<Registry> ConfigKey(const String& subKey) {
        auto key = std::make_unique<Registry>(RootKeyPath);
        key->Open(*store, subKey, FullAccess, true);
        return key;
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
