#include "journal/journal_reader.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <variant>

#include "journal/sqlite_handle.h"

namespace corvane::journal {
namespace {

// How long a read waits for a writer that holds the file locked (in WAL
// mode only while it recovers or restarts the log): short, because the
// console's commands run on the daemon's thread.
constexpr int kBusyTimeoutMs = 500;

constexpr char kColumns[] =
    "SELECT id, started_ms, point, path, size, modified_ns, inode, arguments, pid, waited, "
    "outcome, code, duration_ms, moved_to FROM hand_overs";

std::string Bytes(sqlite3_stmt* statement, int column) {
  const void* data = sqlite3_column_blob(statement, column);
  const int size = sqlite3_column_bytes(statement, column);
  return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
              : std::string();
}

std::optional<std::int64_t> OptionalInteger(sqlite3_stmt* statement, int column) {
  if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_int64(statement, column);
}

// Each argument is followed by a NUL byte.
std::vector<std::string> SplitArguments(const std::string& bytes) {
  std::vector<std::string> arguments;
  std::size_t begin = 0;
  while (begin < bytes.size()) {
    std::size_t end = bytes.find('\0', begin);
    if (end == std::string::npos) end = bytes.size();
    arguments.push_back(bytes.substr(begin, end - begin));
    begin = end + 1;
  }
  return arguments;
}

std::string_view NameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A row, or nothing when its outcome is a word this version does not know
// (written by a newer one).
std::optional<HandOver> RowOf(sqlite3_stmt* statement) {
  const auto* outcomeText = reinterpret_cast<const char*>(sqlite3_column_text(statement, 10));
  const std::optional<Outcome> outcome = OutcomeFromName(outcomeText ? outcomeText : "");
  if (!outcome) return std::nullopt;
  HandOver row;
  row.id = sqlite3_column_int64(statement, 0);
  row.startedMs = sqlite3_column_int64(statement, 1);
  row.point = Bytes(statement, 2);
  row.path = Bytes(statement, 3);
  row.size = OptionalInteger(statement, 4);
  row.modifiedNs = OptionalInteger(statement, 5);
  row.inode = OptionalInteger(statement, 6);
  row.arguments = SplitArguments(Bytes(statement, 7));
  row.pid = sqlite3_column_int(statement, 8);
  row.waited = sqlite3_column_int(statement, 9) != 0;
  row.outcome = *outcome;
  if (const auto code = OptionalInteger(statement, 11)) row.code = static_cast<int>(*code);
  row.durationMs = OptionalInteger(statement, 12);
  row.movedTo = Bytes(statement, 13);
  return row;
}

// The filter's conditions that SQL can test, and their values in order.
struct Query {
  std::string sql;
  std::vector<std::variant<std::string, std::int64_t>> values;
};

Query QueryFor(const Filter& filter) {
  Query query{kColumns, {}};
  const char* joint = " WHERE ";
  auto add = [&](const char* condition, auto value) {
    query.sql += joint;
    query.sql += condition;
    query.values.emplace_back(std::move(value));
    joint = " AND ";
  };
  if (filter.point) add("point = ?", *filter.point);
  if (filter.path) add("path = CAST(? AS BLOB)", *filter.path);
  if (filter.sinceMs) add("started_ms >= ?", *filter.sinceMs);
  if (filter.untilMs) add("started_ms < ?", *filter.untilMs);
  if (filter.outcome) add("outcome = ?", std::string(OutcomeName(*filter.outcome)));
  // Newest first, so that reading can stop after the latest that match.
  query.sql += " ORDER BY started_ms DESC, id DESC";
  return query;
}

bool Bind(sqlite3_stmt* statement, const Query& query) {
  for (std::size_t i = 0; i < query.values.size(); ++i) {
    const int index = static_cast<int>(i) + 1;
    const auto& value = query.values[i];
    const int status =
        std::holds_alternative<std::int64_t>(value)
            ? sqlite3_bind_int64(statement, index, std::get<std::int64_t>(value))
            : sqlite3_bind_text(statement, index, std::get<std::string>(value).data(),
                                static_cast<int>(std::get<std::string>(value).size()),
                                SQLITE_TRANSIENT);
    if (status != SQLITE_OK) return false;
  }
  return true;
}

platform::Failure<platform::Error> SqliteFailure(sqlite3* database) {
  return platform::Failed(LastError(database));
}

// Reading the schema is the first access to the file: a file that is not a
// database fails here.
platform::Result<bool> HasHandOverTable(sqlite3* database) {
  const Statement statement =
      Prepare(database, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'hand_overs'");
  if (!statement) return SqliteFailure(database);
  const int step = sqlite3_step(statement.get());
  if (step != SQLITE_ROW && step != SQLITE_DONE) return SqliteFailure(database);
  return step == SQLITE_ROW;
}

}  // namespace

platform::Result<std::vector<HandOver>> ReadHandOvers(const std::string& journalFile,
                                                      const Filter& filter) {
  // Checked first: SQLite would block on a FIFO and read a device.
  std::error_code error;
  const auto status = std::filesystem::status(journalFile, error);
  if (!std::filesystem::exists(status)) return platform::SystemFailure(ENOENT);
  if (!std::filesystem::is_regular_file(status)) return platform::Failed("not a regular file");

  sqlite3* opened = nullptr;
  const int openStatus =
      sqlite3_open_v2(journalFile.c_str(), &opened, SQLITE_OPEN_READONLY, nullptr);
  const Database database(opened);
  if (openStatus != SQLITE_OK) return SqliteFailure(database.get());
  sqlite3_busy_timeout(database.get(), kBusyTimeoutMs);

  const platform::Result<bool> isJournal = HasHandOverTable(database.get());
  if (!isJournal) return platform::Failure<platform::Error>{isJournal.error()};
  if (!*isJournal) return platform::Failed("not a journal of Corvane");

  const Query query = QueryFor(filter);
  const Statement statement = Prepare(database.get(), query.sql);
  if (!statement || !Bind(statement.get(), query)) return SqliteFailure(database.get());

  std::vector<HandOver> rows;
  int step = SQLITE_ROW;
  while (filter.latest == 0 || rows.size() < filter.latest) {
    step = sqlite3_step(statement.get());
    if (step != SQLITE_ROW) break;
    std::optional<HandOver> row = RowOf(statement.get());
    if (!row || (filter.nameMatches && !filter.nameMatches(NameOf(row->path)))) continue;
    rows.push_back(std::move(*row));
  }
  if (step != SQLITE_ROW && step != SQLITE_DONE) return SqliteFailure(database.get());
  std::reverse(rows.begin(), rows.end());
  return rows;
}

}  // namespace corvane::journal
