#include "config/KeyStore.h"

#include "config/KeyPath.h"
#include "config/RegistryException.h"
#include "config/RegistryStore.h"
#include "config/SqliteConnection.h"

namespace tb {
namespace {

using Transaction = RegistryStore::Transaction;

// "TnBr": marks the file as this program's store.
constexpr const char* ApplicationId = "1416512114";
constexpr const char* SchemaVersion = "1";

// Keys are whole paths; `parent` links each to the key one level up, so
// subkeys are listed without scanning. AUTOINCREMENT keeps a deleted key's
// id from being given to a new key while an old handle may still hold it.
// The value rowid gives the order in which values were first written.
constexpr const char* Schema = R"sql(
CREATE TABLE registry_key (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER REFERENCES registry_key(id),
    path TEXT NOT NULL UNIQUE COLLATE NOCASE
);
CREATE INDEX registry_key_parent ON registry_key(parent);
CREATE TABLE registry_value (
    id INTEGER PRIMARY KEY,
    key_id INTEGER NOT NULL REFERENCES registry_key(id) ON DELETE CASCADE,
    name TEXT NOT NULL COLLATE NOCASE,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE (key_id, name)
);
INSERT INTO registry_key(parent, path) VALUES (NULL, '');
)sql";

ValueInfo ValueFromRow(const SqliteStatement& row) {
    return ValueInfo{row.Text(0), static_cast<uint32_t>(row.Number(1)), row.Blob(2)};
}

} // namespace

void KeyStore::Prepare() {
    CheckIntegrity();
    Transaction transaction(db_, Transaction::Kind::Write);
    std::string version = db_.QueryText("PRAGMA user_version");
    std::string application = db_.QueryText("PRAGMA application_id");
    if (version == "0" && application == "0")
        CreateSchema();
    else if (application != ApplicationId)
        throw RegistryException(RegistryException::Corrupt, db_.Path(),
                                "the file is a database of another program");
    else if (version != SchemaVersion)
        throw RegistryException(RegistryException::Corrupt, db_.Path(),
                                "the store was written by a newer version (format " + version +
                                    ")");
    transaction.Commit();
}

void KeyStore::CheckIntegrity() {
    std::string result = db_.QueryText("PRAGMA quick_check(1)");
    if (result != "ok")
        throw RegistryException(RegistryException::Corrupt, db_.Path(),
                                "the store file is damaged (" + result + ")");
}

void KeyStore::CreateSchema() {
    if (db_.QueryText("SELECT count(*) FROM sqlite_schema") != "0")
        throw RegistryException(RegistryException::Corrupt, db_.Path(),
                                "the file is a database of another program");
    db_.Execute(Schema);
    db_.Execute((std::string("PRAGMA application_id = ") + ApplicationId).c_str());
    db_.Execute((std::string("PRAGMA user_version = ") + SchemaVersion).c_str());
}

std::optional<StoredKey> KeyStore::Find(const String& path) {
    auto query = db_.Prepare("SELECT id, path FROM registry_key WHERE path = ?1");
    query.BindText(1, path.View());
    if (!query.Step())
        return std::nullopt;
    return StoredKey{query.Number(0), query.Text(1)};
}

StoredKey KeyStore::Create(const String& path) {
    if (auto found = Find(path))
        return *found;
    Transaction transaction(db_, Transaction::Kind::Write);
    StoredKey key = CreateChain(path);
    transaction.Commit();
    return key;
}

StoredKey KeyStore::CreateChain(const String& path) {
    if (auto found = Find(path))
        return *found;
    if (path.IsEmpty())
        throw RegistryException(RegistryException::Corrupt, db_.Path(), "the root key is missing");
    StoredKey parent = CreateChain(KeyPath::Parent(path));
    return Insert(parent, KeyPath::Leaf(path));
}

StoredKey KeyStore::Insert(const StoredKey& parent, const String& leaf) {
    String path = parent.path.IsEmpty() ? leaf : parent.path + KeyPath::Separator + leaf;
    auto insert =
        db_.Prepare("INSERT INTO registry_key(parent, path) VALUES (?1, ?2) RETURNING id");
    insert.Bind(1, parent.id).BindText(2, path.View());
    insert.Step();
    StoredKey key{insert.Number(0), path};
    insert.Run();
    return key;
}

bool KeyStore::Exists(int64_t id) {
    auto query = db_.Prepare("SELECT 1 FROM registry_key WHERE id = ?1");
    query.Bind(1, id);
    return query.Step();
}

bool KeyStore::HasChildren(int64_t id) {
    auto query = db_.Prepare("SELECT 1 FROM registry_key WHERE parent = ?1 LIMIT 1");
    query.Bind(1, id);
    return query.Step();
}

void KeyStore::Delete(int64_t id) {
    Transaction transaction(db_, Transaction::Kind::Write);
    if (HasChildren(id))
        throw RegistryException(RegistryException::AccessDenied, db_.Path(), "the key has subkeys");
    db_.Prepare("DELETE FROM registry_value WHERE key_id = ?1").Bind(1, id).Run();
    db_.Prepare("DELETE FROM registry_key WHERE id = ?1").Bind(1, id).Run();
    transaction.Commit();
}

std::vector<String> KeyStore::ChildPaths(int64_t id) {
    auto query = db_.Prepare("SELECT path FROM registry_key WHERE parent = ?1 ORDER BY path");
    query.Bind(1, id);
    std::vector<String> paths;
    while (query.Step())
        paths.push_back(query.Text(0));
    return paths;
}

std::optional<ValueInfo> KeyStore::ReadValue(int64_t key, const String& name) {
    auto query =
        db_.Prepare("SELECT name, type, data FROM registry_value WHERE key_id = ?1 AND name = ?2");
    query.Bind(1, key).BindText(2, name.View());
    if (!query.Step())
        return std::nullopt;
    return ValueFromRow(query);
}

void KeyStore::WriteValue(int64_t key, const String& name, uint32_t type, std::string_view data) {
    auto upsert = db_.Prepare("INSERT INTO registry_value(key_id, name, type, data) "
                              "VALUES (?1, ?2, ?3, ?4) ON CONFLICT(key_id, name) "
                              "DO UPDATE SET type = excluded.type, data = excluded.data");
    upsert.Bind(1, key).BindText(2, name.View()).Bind(3, type).BindBlob(4, data);
    upsert.Run();
}

} // namespace tb
