#include "config/SqliteStatement.h"

#include "config/SqliteConnection.h"

#include <sqlite3.h>

namespace tb {
namespace {

int Size(std::string_view bytes) {
    return static_cast<int>(bytes.size());
}

} // namespace

SqliteStatement::~SqliteStatement() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
    int rc = sqlite3_bind_int64(statement_, index, value);
    if (rc != SQLITE_OK)
        connection_.Fail(rc);
    return *this;
}

SqliteStatement& SqliteStatement::BindText(int index, std::string_view text) {
    // A null pointer would bind SQL NULL; an empty text must stay a text.
    const char* data = text.data() ? text.data() : "";
    int rc = sqlite3_bind_text(statement_, index, data, Size(text), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        connection_.Fail(rc);
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::string_view bytes) {
    int rc = bytes.empty() ? sqlite3_bind_zeroblob(statement_, index, 0)
                           : sqlite3_bind_blob(statement_, index, bytes.data(), Size(bytes),
                                               SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        connection_.Fail(rc);
    return *this;
}

bool SqliteStatement::Step() {
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    connection_.Fail(rc);
}

void SqliteStatement::Run() {
    while (Step()) {
    }
}

int64_t SqliteStatement::Number(int column) const {
    return sqlite3_column_int64(statement_, column);
}

String SqliteStatement::Text(int column) const {
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    int length = sqlite3_column_bytes(statement_, column);
    return text ? String(text, length) : String();
}

String SqliteStatement::Blob(int column) const {
    auto bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    int length = sqlite3_column_bytes(statement_, column);
    return bytes ? String(bytes, length) : String();
}

} // namespace tb
