#include "StoreFixture.h"

#include <sqlite3.h>
#include <stdexcept>

namespace tb::test {
namespace {

// One statement on a connection of its own; throws on any failure.
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
    Query& Text(int at, const std::string& text) {
        sqlite3_bind_blob(statement_, at, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Query& Number(int at, int64_t number) {
        sqlite3_bind_int64(statement_, at, number);
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
    int64_t ColumnNumber(int at) { return sqlite3_column_int64(statement_, at); }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
};

const char* const KeyIdOf = "SELECT id FROM registry_key WHERE path = CAST(?1 AS TEXT)";

} // namespace

void ExecuteSql(const std::string& file, const std::string& sql) {
    Query(file, sql).Step();
}

std::vector<RawValue> RawValues(const std::string& storeFile, const std::string& keyPath) {
    Query query(storeFile, "SELECT name, type, data FROM registry_value WHERE key_id = (" +
                               std::string(KeyIdOf) + ") ORDER BY id");
    query.Text(1, keyPath);
    std::vector<RawValue> values;
    while (query.Step())
        values.push_back(
            {query.Column(0), static_cast<uint32_t>(query.ColumnNumber(1)), query.Column(2)});
    return values;
}

void PlantValue(const std::string& storeFile, const std::string& keyPath, const RawValue& value) {
    Query query(storeFile, ("INSERT INTO registry_value(key_id, name, type, data) VALUES ((" +
                            std::string(KeyIdOf) +
                            "), CAST(?2 AS TEXT), ?3, ?4) ON CONFLICT(key_id, name) DO UPDATE "
                            "SET type = excluded.type, data = excluded.data"));
    query.Text(1, keyPath).Text(2, value.name).Number(3, value.type).Text(4, value.data);
    query.Step();
}

} // namespace tb::test
