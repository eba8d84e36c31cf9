#pragma once

#include "config/SqliteConnection.h"

namespace tb {

// Scope of one (possibly nested) transaction on a connection: rolled back
// when the scope ends without Commit(). Internal to the config folder.
class SqliteTransaction {
public:
    SqliteTransaction(SqliteConnection& connection, bool write) : connection_(connection) {
        connection_.Begin(write);
    }
    ~SqliteTransaction() {
        if (!committed_)
            connection_.Rollback();
    }
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    void Commit() {
        if (committed_)
            return;
        connection_.Commit();
        committed_ = true;
    }

private:
    SqliteConnection& connection_;
    bool committed_ = false;
};

} // namespace tb
