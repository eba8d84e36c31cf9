#pragma once

#include "core/String.h"

#include <cstdint>
#include <string_view>

struct sqlite3_stmt;

namespace tb {

class SqliteConnection;

// A borrowed, cached prepared statement: bind, step, read columns. Resets
// the statement and clears its bindings when it ends, so the connection can
// hand it out again. Internal to the config folder.
class SqliteStatement {
public:
    SqliteStatement(const SqliteConnection& connection, sqlite3_stmt* statement) noexcept
        : connection_(connection), statement_(statement) {}
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1.
    SqliteStatement& Bind(int index, int64_t value);
    SqliteStatement& BindText(int index, std::string_view text);
    SqliteStatement& BindBlob(int index, std::string_view bytes);

    // True while a row is ready; false when done. Throws RegistryException.
    bool Step();
    // Steps to the end.
    void Run();

    // Columns count from 0.
    int64_t Number(int column) const;
    // Exact bytes, NUL bytes included.
    String Text(int column) const;
    String Blob(int column) const;

private:
    const SqliteConnection& connection_;
    sqlite3_stmt* statement_;
};

} // namespace tb
