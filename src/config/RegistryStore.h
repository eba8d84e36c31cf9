#pragma once

#include "core/String.h"

#include <chrono>
#include <memory>

namespace tb {

class KeyStore;
class SqliteConnection;

// The open persistent store, the file "registry.db" in the configuration
// folder; it plays the part of the registry's root key for Registry::Open.
// Several processes (a running server and the command-line tool) may use the
// file at once: a writer waits for another writer up to the busy timeout.
// Not thread-safe: a store and the Registry objects opened on it are used by
// one thread at a time.
class RegistryStore {
public:
    static constexpr const char* FileName = "registry.db";
    static constexpr std::chrono::milliseconds DefaultBusyTimeout{5000};

    class Transaction;

    // Opens the store in `configDirectory`, creating the folder (mode 0700)
    // and the file (mode 0600) when missing. Throws RegistryException with a
    // clear message when the file is damaged or belongs to something else
    // (Corrupt), or when the folder or file cannot be written (AccessDenied).
    static std::unique_ptr<RegistryStore> Open(const String& configDirectory);
    static std::unique_ptr<RegistryStore> Open(const String& configDirectory,
                                               std::chrono::milliseconds busyTimeout);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

private:
    friend class Registry;

    explicit RegistryStore(std::unique_ptr<SqliteConnection> connection);
    KeyStore& Keys() noexcept { return *keys_; }

    std::unique_ptr<SqliteConnection> connection_;
    std::unique_ptr<KeyStore> keys_;
};

// Makes several writes all-or-nothing: rolled back when the scope ends
// without Commit(). Transactions nest (an inner one is a savepoint of the
// outer). A Write transaction takes the store's write lock at once (waiting up
// to the busy timeout); a Read transaction gives a consistent view of the
// store while it lasts. The store must outlive it.
class RegistryStore::Transaction {
public:
    enum class Kind { Read, Write };

    explicit Transaction(RegistryStore& store, Kind kind = Kind::Write);
    // On a bare connection, for the key store below the registry.
    Transaction(SqliteConnection& connection, Kind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws RegistryException when the commit fails; the writes are then undone.
    void Commit();

private:
    SqliteConnection& connection_;
    bool committed_ = false;
};

} // namespace tb
