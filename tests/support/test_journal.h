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
    // A daemon's writer on the same file may hold it for a moment.
    sqlite3_busy_timeout(opened, 10'000);
    Execute("PRAGMA journal_mode = WAL");
    Execute(journal::kSchema);
  }

  void Add(const journal::HandOver& row) {
    journal::Statement insert(
        database_.get(),
        "INSERT INTO hand_overs (started_ms, point, path, size, modified_ns, inode, arguments, "
        "pid, waited, outcome, code, duration_ms, moved_to) VALUES "
        "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    std::string arguments;
    for (const std::string& argument : row.arguments) arguments += argument + '\0';
    insert.Bind(1, row.startedMs);
    insert.BindText(2, row.point);
    insert.BindBlob(3, row.path);
    insert.Bind(4, row.size);
    insert.Bind(5, row.modifiedNs);
    insert.Bind(6, row.inode);
    insert.BindBlob(7, arguments);
    insert.Bind(8, std::int64_t{row.pid});
    insert.Bind(9, std::int64_t{row.waited ? 1 : 0});
    insert.BindText(10, journal::OutcomeName(row.outcome));
    insert.Bind(11, row.code ? std::optional<std::int64_t>(*row.code) : std::nullopt);
    insert.Bind(12, row.durationMs);
    insert.BindBlob(
        13, row.movedTo.empty() ? std::nullopt : std::optional<std::string_view>(row.movedTo));
    if (insert.Step() != SQLITE_DONE) throw std::runtime_error(journal::LastError(database_.get()));
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
  std::string file_;
  journal::Connection database_;
};

}  // namespace corvane::test
