#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>

#include "journal/hand_over.h"
#include "journal/journal_schema.h"
#include "journal/sqlite_handle.h"

namespace corvane::test {

// A journal written by a test as the daemon writes it, in WAL mode.
class TestJournal {
 public:
  explicit TestJournal(std::string file) : file_(std::move(file)) {
    sqlite3* opened = nullptr;
    sqlite3_open(file_.c_str(), &opened);
    database_.reset(opened);
    Execute("PRAGMA journal_mode = WAL");
    Execute(journal::kSchema);
  }

  void Add(const journal::HandOver& row) {
    const journal::Statement insert = journal::Prepare(
        database_.get(),
        "INSERT INTO hand_overs (started_ms, point, path, size, modified_ns, inode, arguments, "
        "pid, waited, outcome, code, duration_ms, moved_to) VALUES "
        "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sqlite3_stmt* s = insert.get();
    std::string arguments;
    for (const std::string& argument : row.arguments) arguments += argument + '\0';
    const std::string outcome(journal::OutcomeName(row.outcome));
    sqlite3_bind_int64(s, 1, row.startedMs);
    sqlite3_bind_text(s, 2, row.point.data(), static_cast<int>(row.point.size()), SQLITE_TRANSIENT);
    BindBlob(s, 3, row.path);
    BindOptional(s, 4, row.size);
    BindOptional(s, 5, row.modifiedNs);
    BindOptional(s, 6, row.inode);
    BindBlob(s, 7, arguments);
    sqlite3_bind_int(s, 8, row.pid);
    sqlite3_bind_int(s, 9, row.waited ? 1 : 0);
    sqlite3_bind_text(s, 10, outcome.data(), static_cast<int>(outcome.size()), SQLITE_TRANSIENT);
    BindOptional(s, 11, row.code);
    BindOptional(s, 12, row.durationMs);
    if (!row.movedTo.empty()) BindBlob(s, 13, row.movedTo);
    if (sqlite3_step(s) != SQLITE_DONE)
      throw std::runtime_error(journal::LastError(database_.get()));
  }

  // A row with the fields the console and the export show; the command "mv".
  void Add(std::int64_t startedMs, std::string point, std::string path, journal::Outcome outcome,
           std::optional<int> code = {}, std::optional<std::int64_t> durationMs = {}) {
    journal::HandOver row;
    row.startedMs = startedMs;
    row.point = std::move(point);
    row.arguments = {"mv", path};
    row.path = std::move(path);
    row.outcome = outcome;
    row.code = code;
    row.durationMs = durationMs;
    Add(row);
  }

  void Execute(const std::string& sql) {
    if (sqlite3_exec(database_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(journal::LastError(database_.get()));
  }
  const std::string& file() const { return file_; }

 private:
  static void BindBlob(sqlite3_stmt* s, int index, const std::string& bytes) {
    sqlite3_bind_blob(s, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  }
  template <typename T>
  static void BindOptional(sqlite3_stmt* s, int index, const std::optional<T>& value) {
    if (value) sqlite3_bind_int64(s, index, *value);
  }

  std::string file_;
  journal::Database database_;
};

}  // namespace corvane::test
