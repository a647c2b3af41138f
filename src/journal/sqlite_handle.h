#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

namespace corvane::journal {

// Owners of the sqlite3 C API's handles: a connection is closed and a
// statement finalised when its owner goes, whichever way a function ends.
struct DatabaseCloser {
  void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The connection's last error in words; "" without a connection.
inline std::string LastError(sqlite3* database) { return database ? sqlite3_errmsg(database) : ""; }

// Prepares `sql` on `database`; empty when it cannot be (see LastError).
inline Statement Prepare(sqlite3* database, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(database, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr);
  return Statement(statement);
}

}  // namespace corvane::journal
