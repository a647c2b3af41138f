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
std::optional<HandOver> RowOf(const Statement& statement) {
  const std::optional<Outcome> outcome = OutcomeFromName(statement.ColumnText(10));
  if (!outcome) return std::nullopt;
  HandOver row;
  row.id = statement.ColumnInt(0);
  row.startedMs = statement.ColumnInt(1);
  row.point = statement.ColumnBytes(2);
  row.path = statement.ColumnBytes(3);
  row.size = statement.ColumnOptionalInt(4);
  row.modifiedNs = statement.ColumnOptionalInt(5);
  row.inode = statement.ColumnOptionalInt(6);
  row.arguments = SplitArguments(statement.ColumnBytes(7));
  row.pid = static_cast<int>(statement.ColumnInt(8));
  row.waited = statement.ColumnInt(9) != 0;
  row.outcome = *outcome;
  if (const auto code = statement.ColumnOptionalInt(11)) row.code = static_cast<int>(*code);
  row.durationMs = statement.ColumnOptionalInt(12);
  row.movedTo = statement.ColumnBytes(13);
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

void Bind(Statement& statement, const Query& query) {
  for (std::size_t i = 0; i < query.values.size(); ++i) {
    const int index = static_cast<int>(i) + 1;
    if (const auto* number = std::get_if<std::int64_t>(&query.values[i])) {
      statement.Bind(index, *number);
    } else {
      statement.BindText(index, std::get<std::string>(query.values[i]));
    }
  }
}

platform::Failure<platform::Error> SqliteFailure(sqlite3* database) {
  return platform::Failed(LastError(database));
}

// Reading the schema is the first access to the file: a file that is not a
// database fails here.
platform::Result<bool> HasHandOverTable(sqlite3* database) {
  Statement statement(database,
                      "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'hand_overs'");
  if (!statement) return SqliteFailure(database);
  const int step = statement.Step();
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
  const Connection database(opened);
  if (openStatus != SQLITE_OK) return SqliteFailure(database.get());
  sqlite3_busy_timeout(database.get(), kBusyTimeoutMs);

  const platform::Result<bool> isJournal = HasHandOverTable(database.get());
  if (!isJournal) return platform::Failure<platform::Error>{isJournal.error()};
  if (!*isJournal) return platform::Failed("not a journal of Corvane");

  const Query query = QueryFor(filter);
  Statement statement(database.get(), query.sql);
  if (!statement) return SqliteFailure(database.get());
  Bind(statement, query);

  std::vector<HandOver> rows;
  int step = SQLITE_ROW;
  while (filter.latest == 0 || rows.size() < filter.latest) {
    step = statement.Step();
    if (step != SQLITE_ROW) break;
    std::optional<HandOver> row = RowOf(statement);
    if (!row || (filter.nameMatches && !filter.nameMatches(NameOf(row->path)))) continue;
    rows.push_back(std::move(*row));
  }
  if (step != SQLITE_ROW && step != SQLITE_DONE) return SqliteFailure(database.get());
  std::reverse(rows.begin(), rows.end());
  return rows;
}

}  // namespace corvane::journal
