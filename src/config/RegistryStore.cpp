#include "config/RegistryStore.h"

#include "config/KeyStore.h"
#include "config/PrivateFiles.h"
#include "config/RegistryException.h"
#include "config/SqliteConnection.h"
#include "core/Path.h"

namespace tb {
namespace {

// Write-ahead logging keeps readers and one writer out of each other's way;
// FULL makes every commit durable before it returns.
void Configure(SqliteConnection& connection) {
    if (connection.QueryText("PRAGMA journal_mode = WAL") != "wal")
        throw RegistryException(RegistryException::GeneralFailure, connection.Path(),
                                "the store needs write-ahead logging, which this file system "
                                "does not support");
    connection.Execute("PRAGMA synchronous = FULL");
    connection.Execute("PRAGMA foreign_keys = ON");
}

} // namespace

std::unique_ptr<RegistryStore> RegistryStore::Open(const String& configDirectory) {
    return Open(configDirectory, DefaultBusyTimeout);
}

std::unique_ptr<RegistryStore> RegistryStore::Open(const String& configDirectory,
                                                   std::chrono::milliseconds busyTimeout) {
    if (configDirectory.IsEmpty())
        throw RegistryException(RegistryException::PathNotFound, configDirectory,
                                "no configuration folder given");
    CreatePrivateDirectory(configDirectory);
    String filePath = JoinPath(configDirectory, FileName);
    PreparePrivateFile(filePath);
    auto connection = std::make_unique<SqliteConnection>(filePath, busyTimeout);
    Configure(*connection);
    return std::unique_ptr<RegistryStore>(new RegistryStore(std::move(connection)));
}

RegistryStore::RegistryStore(std::unique_ptr<SqliteConnection> connection)
    : connection_(std::move(connection)), keys_(std::make_unique<KeyStore>(*connection_)) {
    keys_->Prepare();
}

RegistryStore::~RegistryStore() = default;

RegistryStore::Transaction::Transaction(RegistryStore& store, Kind kind)
    : Transaction(*store.connection_, kind) {}

RegistryStore::Transaction::Transaction(SqliteConnection& connection, Kind kind)
    : connection_(connection) {
    connection_.Begin(kind == Kind::Write);
}

RegistryStore::Transaction::~Transaction() {
    if (!committed_)
        connection_.Rollback();
}

void RegistryStore::Transaction::Commit() {
    if (committed_)
        return;
    connection_.Commit();
    committed_ = true;
}

} // namespace tb
