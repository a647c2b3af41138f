#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::journal {

// Owners of the sqlite3 C API's handles, closed however the owner goes.
struct ConnectionCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinaliser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

// One prepared statement: bind by position (from 1), Step, Reset.
class Statement {
 public:
  Statement() = default;
  // An empty statement when sql cannot be prepared; sqlite3_errcode says why.
  Statement(sqlite3* db, std::string_view sql);

  explicit operator bool() const { return statement_ != nullptr; }

  void Bind(int index, std::int64_t value);
  void Bind(int index, std::optional<std::int64_t> value);
  void BindText(int index, std::string_view text);
  // Bytes as they are; nullopt stores NULL.
  void BindBlob(int index, std::optional<std::string_view> bytes);

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  std::int64_t ColumnInt(int column) const;
  std::optional<std::int64_t> ColumnOptionalInt(int column) const;  // nullopt for NULL
  std::string ColumnText(int column) const;
  std::string ColumnBytes(int column) const;  // a BLOB's bytes as they are
  // Ready to be bound and stepped again.
  void Reset();

 private:
  std::unique_ptr<sqlite3_stmt, StatementFinaliser> statement_;
};

// The connection's last error in words; "" without a connection.
inline std::string LastError(sqlite3* db) { return db ? sqlite3_errmsg(db) : ""; }

// Runs sql (one or more statements, no results wanted); the error code.
int Execute(sqlite3* db, const char* sql);

}  // namespace corvane::journal
