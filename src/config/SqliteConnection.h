#pragma once

#include "config/SqliteStatement.h"
#include "core/String.h"

#include <chrono>
#include <map>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace tb {

// One connection to the store's SQLite file, with a cache of prepared
// statements and nestable transactions (the outermost is a real transaction,
// inner ones are savepoints). Internal to the config folder. Used by one
// thread at a time.
class SqliteConnection {
public:
    // Opens the existing file `path` for reading and writing. Throws
    // RegistryException naming the file.
    SqliteConnection(const String& path, std::chrono::milliseconds busyTimeout);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void Execute(const char* sql);
    // A cached statement for `sql`, reset when the returned object ends. Uses
    // of one statement must not overlap.
    SqliteStatement Prepare(const char* sql);
    // First column of the first row as text ("" without a row).
    std::string QueryText(const char* sql);

    // `write` takes the write lock at once, so that a transaction never has
    // to upgrade later (which the busy timeout cannot resolve).
    void Begin(bool write);
    void Commit();
    void Rollback() noexcept;

    // Throws RegistryException for the SQLite result `code`, naming the file.
    [[noreturn]] void Fail(int code) const;
    const String& Path() const noexcept { return path_; }

private:
    String SavepointName() const;

    sqlite3* db_ = nullptr;
    String path_;
    std::map<std::string, sqlite3_stmt*> statements_;
    int depth_ = 0; // open transactions, outermost included
};

} // namespace tb
