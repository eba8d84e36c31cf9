#pragma once

#include "config/ValueInfo.h"
#include "core/String.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tb {

class SqliteConnection;

// A key as stored: its row id (never reused) and its path as first created.
struct StoredKey {
    int64_t id = 0;
    String path;
};

// Keys and values in the SQLite file; what Registry is built on. Paths are
// normalised (KeyPath) and compared without regard to ASCII case, as the
// registry does. Every failure throws RegistryException naming the file.
// Internal to the config folder; one thread at a time.
class KeyStore {
public:
    explicit KeyStore(SqliteConnection& connection) : db_(connection) {}

    // Checks the file and creates the tables of a new store.
    void Prepare();

    std::optional<StoredKey> Find(const String& path);
    // Finds or creates the key and its missing parents, all or nothing.
    StoredKey Create(const String& path);
    bool Exists(int64_t id);
    // Deletes a key with its values; a key with subkeys is refused.
    void Delete(int64_t id);
    // Paths of the direct subkeys, ordered by name.
    std::vector<String> ChildPaths(int64_t id);

    std::optional<ValueInfo> ReadValue(int64_t key, const String& name);
    // Creates or replaces; an existing value keeps its place and name.
    void WriteValue(int64_t key, const String& name, uint32_t type, std::string_view data);

private:
    void CheckIntegrity();
    bool HasChildren(int64_t id);
    void CreateSchema();
    StoredKey CreateChain(const String& path);
    StoredKey Insert(const StoredKey& parent, const String& leaf);

    SqliteConnection& db_;
};

} // namespace tb
