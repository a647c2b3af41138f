#include "journal/sqlite_handle.h"

#include <limits>

namespace corvane::journal {

Statement::Statement(sqlite3* db, std::string_view sql) {
  sqlite3_stmt* prepared = nullptr;
  if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return;
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &prepared, nullptr) ==
      SQLITE_OK) {
    statement_.reset(prepared);
  } else {
    sqlite3_finalize(prepared);
  }
}

void Statement::Bind(int index, std::int64_t value) {
  sqlite3_bind_int64(statement_.get(), index, value);
}

void Statement::Bind(int index, std::optional<std::int64_t> value) {
  if (value) {
    Bind(index, *value);
  } else {
    sqlite3_bind_null(statement_.get(), index);
  }
}

void Statement::BindText(int index, std::string_view text) {
  sqlite3_bind_text64(statement_.get(), index, text.data(), text.size(), SQLITE_TRANSIENT,
                      SQLITE_UTF8);
}

void Statement::BindBlob(int index, std::optional<std::string_view> bytes) {
  if (!bytes) {
    sqlite3_bind_null(statement_.get(), index);
    return;
  }
  // A blob of no bytes is still a blob, not NULL.
  sqlite3_bind_blob64(statement_.get(), index, bytes->empty() ? "" : bytes->data(), bytes->size(),
                      SQLITE_TRANSIENT);
}

int Statement::Step() { return sqlite3_step(statement_.get()); }

std::int64_t Statement::ColumnInt(int column) const {
  return sqlite3_column_int64(statement_.get(), column);
}

std::optional<std::int64_t> Statement::ColumnOptionalInt(int column) const {
  if (sqlite3_column_type(statement_.get(), column) == SQLITE_NULL) return std::nullopt;
  return ColumnInt(column);
}

std::string Statement::ColumnBytes(int column) const {
  const void* bytes = sqlite3_column_blob(statement_.get(), column);
  return bytes
             ? std::string(static_cast<const char*>(bytes),
                           static_cast<std::size_t>(sqlite3_column_bytes(statement_.get(), column)))
             : std::string();
}

std::string Statement::ColumnText(int column) const {
  const unsigned char* text = sqlite3_column_text(statement_.get(), column);
  return text
             ? std::string(reinterpret_cast<const char*>(text),
                           static_cast<std::size_t>(sqlite3_column_bytes(statement_.get(), column)))
             : std::string();
}

void Statement::Reset() {
  sqlite3_reset(statement_.get());
  sqlite3_clear_bindings(statement_.get());
}

int Execute(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

}  // namespace corvane::journal
