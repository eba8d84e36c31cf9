#include "config/SqliteConnection.h"

#include "config/RegistryException.h"

#include <memory>
#include <sqlite3.h>

namespace tb {
namespace {

int32_t RegistryCode(int code) {
    switch (code & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return RegistryException::Corrupt;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return RegistryException::AccessDenied;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return RegistryException::Busy;
    case SQLITE_FULL:
        return RegistryException::DiskFull;
    case SQLITE_NOMEM:
        return RegistryException::OutOfMemory;
    case SQLITE_IOERR:
        return RegistryException::IoFailed;
    case SQLITE_TOOBIG:
        return RegistryException::InvalidParameter;
    default:
        break;
    }
    // A value written below a key that another handle deleted.
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY)
        return RegistryException::KeyDeleted;
    return RegistryException::GeneralFailure;
}

const char* Explanation(int32_t registryCode) {
    switch (registryCode) {
    case RegistryException::Corrupt:
        return "the store file is damaged or is not a settings store";
    case RegistryException::AccessDenied:
        return "the store cannot be opened for writing";
    case RegistryException::Busy:
        return "the store is locked by another process";
    case RegistryException::DiskFull:
        return "the disk is full";
    case RegistryException::IoFailed:
        return "reading or writing the store file failed";
    case RegistryException::KeyDeleted:
        return "the key was deleted";
    default:
        return "the store failed";
    }
}

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

} // namespace

SqliteConnection::SqliteConnection(const String& path, std::chrono::milliseconds busyTimeout)
    : path_(path) {
    int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        RegistryException error(RegistryCode(rc), path_,
                                std::string(Explanation(RegistryCode(rc))) + " (" +
                                    sqlite3_errstr(rc) + ")");
        sqlite3_close_v2(db_);
        throw error;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, static_cast<int>(busyTimeout.count()));
}

SqliteConnection::~SqliteConnection() {
    for (auto& [sql, statement] : statements_)
        sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
}

void SqliteConnection::Fail(int code) const {
    int32_t registryCode = RegistryCode(code);
    const char* message =
        sqlite3_extended_errcode(db_) == code ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    throw RegistryException(registryCode, path_,
                            std::string(Explanation(registryCode)) + " (" + message + ")");
}

void SqliteConnection::Execute(const char* sql) {
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc);
}

SqliteStatement SqliteConnection::Prepare(const char* sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end())
        return SqliteStatement(*this, found->second);
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc);
    statements_.emplace(sql, statement);
    return SqliteStatement(*this, statement);
}

std::string SqliteConnection::QueryText(const char* sql) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &raw, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc);
    std::unique_ptr<sqlite3_stmt, StatementDeleter> statement(raw);
    rc = sqlite3_step(raw);
    if (rc == SQLITE_DONE)
        return {};
    if (rc != SQLITE_ROW)
        Fail(rc);
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(raw, 0))) : "";
}

String SqliteConnection::SavepointName() const {
    return String::Format("level%d", depth_);
}

void SqliteConnection::Begin(bool write) {
    if (depth_ == 0)
        Execute(write ? "BEGIN IMMEDIATE" : "BEGIN");
    else
        Execute(("SAVEPOINT " + SavepointName()).c_str());
    ++depth_;
}

void SqliteConnection::Commit() {
    // SQLite ends a transaction by itself after some errors (a full disk, an
    // I/O error); committing what followed in autocommit mode would break the
    // all-or-nothing promise, so that is an error too.
    if (sqlite3_get_autocommit(db_))
        throw RegistryException(RegistryException::GeneralFailure, path_,
                                "the transaction was ended by an earlier error");
    --depth_;
    try {
        Execute(depth_ == 0 ? "COMMIT" : ("RELEASE " + SavepointName()).c_str());
    } catch (...) {
        ++depth_;
        throw;
    }
}

void SqliteConnection::Rollback() noexcept {
    if (depth_ == 0)
        return;
    --depth_;
    if (sqlite3_get_autocommit(db_))
        return;
    if (depth_ == 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return;
    }
    String name = SavepointName();
    sqlite3_exec(db_, ("ROLLBACK TO " + name).c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db_, ("RELEASE " + name).c_str(), nullptr, nullptr, nullptr);
}

} // namespace tb
