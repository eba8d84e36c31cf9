#pragma once

#include "config/PersistantObject.h"
#include "config/PrototypeTable.h"
#include "config/Registry.h"
#include "config/RegistryException.h"
#include "config/RegistryStore.h"
#include "core/String.h"
#include "support/TempDir.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sqlite3.h>
#include <stdexcept>
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

// One statement of one's own on a file, as another program would run it;
// throws on any failure.
class Query {
public:
    Query(const std::string& file, const std::string& sql) {
        if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK ||
            sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db_));
    }
    ~Query() {
        sqlite3_finalize(statement_);
        sqlite3_close(db_);
    }
    Query& Bind(int at, const std::string& blob) {
        sqlite3_bind_blob(statement_, at, blob.data(), static_cast<int>(blob.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    bool Step() {
        int result = sqlite3_step(statement_);
        if (result != SQLITE_ROW && result != SQLITE_DONE)
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db_));
        return result == SQLITE_ROW;
    }
    std::string Column(int at) {
        auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, at));
        return std::string(bytes ? bytes : "",
                           static_cast<size_t>(sqlite3_column_bytes(statement_, at)));
    }
    uint32_t Number(int at) { return static_cast<uint32_t>(sqlite3_column_int64(statement_, at)); }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
};

inline const std::string KeyIdOf = "(SELECT id FROM registry_key WHERE path = CAST(?1 AS TEXT))";

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
    // The values of the key at `path`, in the order they were first written.
    std::vector<RawValue> RawValuesOf(const String& path) {
        Query query(StoreFile(), "SELECT name, type, data FROM registry_value WHERE key_id = " +
                                     KeyIdOf + " ORDER BY id");
        query.Bind(1, std::string(path.View()));
        std::vector<RawValue> values;
        while (query.Step())
            values.push_back({query.Column(0), query.Number(1), query.Column(2)});
        return values;
    }
    // Writes a value of any type into an existing key.
    void Plant(const String& path, const RawValue& value) {
        Query(StoreFile(), "INSERT INTO registry_value(key_id, name, type, data) VALUES (" +
                               KeyIdOf + ", CAST(?2 AS TEXT), " + std::to_string(value.type) +
                               ", ?3) ON CONFLICT(key_id, name) DO UPDATE "
                               "SET type = excluded.type, data = excluded.data")
            .Bind(1, std::string(path.View()))
            .Bind(2, value.name)
            .Bind(3, value.data)
            .Step();
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

// A stand-in for a web user: tag "W-UI", values "Name" and "Generation".
class TestUser : public PersistantObject {
public:
    explicit TestUser(String name = "", uint32_t generation = 0)
        : name(std::move(name)), generation(generation) {}

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override {
        auto user = std::make_unique<TestUser>();
        key.GetString("Name", user->name, false);
        key.GetNumber("Generation", user->generation, false);
        return user;
    }
    void Save(Registry& key) const override {
        key.SetString("Name", name);
        key.SetNumber("Generation", generation);
    }
    String TypeTag() const override { return "W-UI"; }

    String name;
    uint32_t generation = 0;
};

// A stand-in for a share: tag "SI-S", value "Folder".
class TestShare : public PersistantObject {
public:
    explicit TestShare(String folder = "(none)") : folder(std::move(folder)) {}

    std::unique_ptr<PersistantObject> LoadNew(Registry& key) const override {
        auto share = std::make_unique<TestShare>();
        key.GetString("Folder", share->folder, false);
        return share;
    }
    void Save(Registry& key) const override { key.SetString("Folder", folder); }
    String TypeTag() const override { return "SI-S"; }

    String folder;
};

// A table with the two test classes.
inline const PrototypeTable& TestPrototypes() {
    static const PrototypeTable table = [] {
        PrototypeTable t;
        t.Register(std::make_unique<TestShare>());
        t.Register(std::make_unique<TestUser>());
        return t;
    }();
    return table;
}

} // namespace test
} // namespace tb
