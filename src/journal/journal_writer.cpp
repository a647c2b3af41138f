#include "journal/journal_writer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "journal/journal_schema.h"
#include "journal/sqlite_handle.h"

namespace corvane::journal {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// How long the writer waits for a lock that a reader or another daemon
// holds; also what bounds a stop.
constexpr int kBusyTimeoutMs = 250;
// Hand-overs that arrive within this time go into one transaction.
constexpr auto kGatherTime = std::chrono::milliseconds(100);
// Old rows are looked for this often, and removed this many at a time.
constexpr auto kCleanEvery = std::chrono::hours(1);
constexpr int kCleanBatch = 200;
constexpr std::int64_t kMsPerDay = 24LL * 60 * 60 * 1000;

constexpr char kInsert[] =
    "INSERT INTO hand_overs (id, started_ms, point, path, size, modified_ns, inode, arguments, "
    "pid, waited, outcome, code, duration_ms, moved_to) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)";
constexpr char kUpdate[] =
    "UPDATE hand_overs SET outcome = ?2, code = ?3, duration_ms = ?4, moved_to = ?5 WHERE id = ?1";
constexpr char kLeaveRunning[] =
    "UPDATE hand_overs SET outcome = 'left running' WHERE outcome = 'running' AND id >= ?1";
constexpr char kClean[] =
    "DELETE FROM hand_overs WHERE id IN "
    "(SELECT id FROM hand_overs WHERE started_ms < ?1 ORDER BY started_ms LIMIT ?2)";

struct Ended {
  std::int64_t id;
  HandOverEnd end;
};
using Entry = std::variant<HandOver, Ended>;

std::optional<std::int64_t> Widened(std::optional<int> value) {
  if (!value) return std::nullopt;
  return *value;
}

std::optional<std::string_view> BlobOrNull(const std::string& bytes) {
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

std::string Arguments(const std::vector<std::string>& arguments) {
  std::string joined;
  for (const std::string& argument : arguments) (joined += argument) += '\0';
  return joined;
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string ErrorText(sqlite3* db, int code) {
  const char* text = db && sqlite3_errcode(db) == code ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  return text ? text : "unknown error";
}

bool IsDamage(int code) {
  const int primary = code & 0xff;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// Why an open failed, and whether the file itself is the fault.
struct OpenFailure {
  std::string reason;
  bool damaged = false;
};

}  // namespace

struct JournalWriter::State {
  Options options;
  Connection db;
  Statement insert;
  Statement update;
  std::int64_t firstId = 1;  // the first row of this writer
  std::atomic<std::int64_t> nextId{1};
  std::atomic<bool> failed{false};

  std::mutex mutex;
  std::condition_variable wake;
  std::vector<Entry> queue;  // guarded by mutex
  bool stop = false;         // guarded by mutex
  std::thread thread;
  Clock::time_point nextClean = Clock::now();

  // Runs on the writer's thread.
  void Fail(const std::string& reason) {
    if (failed.exchange(true)) return;
    if (options.onFailure) options.onFailure(reason);
  }
  int WriteRow(const HandOver& row);
  int WriteEnd(const Ended& ended);
  int WriteBatch(const std::vector<Entry>& batch);
  void Clean(bool stopping);
};

namespace {

// The file opened and made ready; a failure tells whether the file is damaged.
std::variant<std::unique_ptr<JournalWriter::State>, OpenFailure> Prepare(
    const JournalWriter::Options& options) {
  auto state = std::make_unique<JournalWriter::State>();
  state->options = options;
  sqlite3* opened = nullptr;
  int rc =
      sqlite3_open_v2(options.file.c_str(), &opened,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  state->db.reset(opened);
  sqlite3* db = state->db.get();
  const auto failed = [db](int code) { return OpenFailure{ErrorText(db, code), IsDamage(code)}; };
  if (rc != SQLITE_OK) return failed(rc);
  if (sqlite3_db_readonly(db, "main") == 1) return OpenFailure{"the file is read-only"};
  sqlite3_busy_timeout(db, kBusyTimeoutMs);

  Statement check(db, "PRAGMA quick_check");
  if (!check) return failed(sqlite3_errcode(db));
  rc = check.Step();
  if (rc != SQLITE_ROW) return failed(rc);
  if (check.ColumnText(0) != "ok") return OpenFailure{"the integrity check failed", true};
  check = {};

  // In WAL mode readers and the writer do not block each other; a commit
  // then writes the log without waiting for the disk.
  Statement mode(db, "PRAGMA journal_mode=WAL");
  if (!mode || mode.Step() != SQLITE_ROW) return failed(sqlite3_errcode(db));
  if (mode.ColumnText(0) != "wal") return OpenFailure{"the file cannot be written"};
  mode = {};
  if ((rc = Execute(db, "PRAGMA synchronous=NORMAL")) != SQLITE_OK) return failed(rc);

  Statement version(db, "PRAGMA user_version");
  if (!version || version.Step() != SQLITE_ROW) return failed(sqlite3_errcode(db));
  const std::int64_t found = version.ColumnInt(0);
  version = {};
  if (found > kSchemaVersion) return OpenFailure{"written by a newer version of the program"};
  if ((rc = Execute(db, kSchema)) != SQLITE_OK) return failed(rc);
  const std::string setVersion = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
  if ((rc = Execute(db, setVersion.c_str())) != SQLITE_OK) return failed(rc);

  Statement last(db, "SELECT COALESCE(MAX(id), 0) FROM hand_overs");
  if (!last || last.Step() != SQLITE_ROW) return failed(sqlite3_errcode(db));
  state->firstId = last.ColumnInt(0) + 1;
  state->nextId = state->firstId;
  state->insert = Statement(db, kInsert);
  state->update = Statement(db, kUpdate);
  if (!state->insert || !state->update) return failed(sqlite3_errcode(db));
  return state;
}

// Moves a damaged file out of the way, with its write-ahead log: to
// "<file>.damaged", or "<file>.damaged-2", … where that is taken. A hard
// link refuses to replace what is there, so nothing is ever overwritten.
platform::Result<std::string> MoveAside(const std::string& file) {
  std::error_code error;
  for (int attempt = 1; attempt < 1000; ++attempt) {
    std::string aside = file + ".damaged";
    if (attempt > 1) {
      aside += '-';
      aside += std::to_string(attempt);
    }
    if (fs::exists(aside + "-wal", error)) continue;
    fs::create_hard_link(file, aside, error);
    if (error == std::errc::file_exists) continue;
    if (error) return platform::SystemFailure(error.value());
    fs::remove(file, error);
    if (error) return platform::SystemFailure(error.value());
    fs::rename(file + "-wal", aside + "-wal", error);  // there may be none
    fs::remove(file + "-shm", error);
    return aside;
  }
  return platform::Failed("no free name to move it to");
}

}  // namespace

platform::Result<JournalWriter::Opened> JournalWriter::Open(Options options) {
  std::error_code error;
  const fs::path folder = fs::path(options.file).parent_path();
  if (!folder.empty()) fs::create_directories(folder, error);
  if (error) return platform::Failed(error.message());

  Opened opened;
  auto prepared = Prepare(options);
  if (auto* failure = std::get_if<OpenFailure>(&prepared); failure && failure->damaged) {
    prepared = OpenFailure{};  // closes the damaged file before it is moved
    const platform::Result<std::string> aside = MoveAside(options.file);
    if (!aside)
      return platform::Failed("damaged, and cannot be moved aside: " + aside.error().text);
    opened.movedAside = *aside;
    prepared = Prepare(options);
  }
  if (auto* failure = std::get_if<OpenFailure>(&prepared)) return platform::Failed(failure->reason);
  opened.writer.reset(new JournalWriter(std::move(std::get<std::unique_ptr<State>>(prepared))));
  return opened;
}

JournalWriter::JournalWriter(std::unique_ptr<State> state) : state_(std::move(state)) {
  state_->thread = std::thread([this] { Run(); });
}

JournalWriter::~JournalWriter() { Close(); }

std::int64_t JournalWriter::Begin(HandOver handOver) {
  const std::int64_t id = state_->nextId++;
  if (state_->failed) return id;
  handOver.id = id;
  {
    const std::lock_guard lock(state_->mutex);
    state_->queue.emplace_back(std::move(handOver));
  }
  state_->wake.notify_one();
  return id;
}

void JournalWriter::End(std::int64_t id, HandOverEnd end) {
  if (state_->failed) return;
  {
    const std::lock_guard lock(state_->mutex);
    state_->queue.emplace_back(Ended{id, std::move(end)});
  }
  state_->wake.notify_one();
}

void JournalWriter::Close() {
  if (!state_->thread.joinable()) return;
  {
    const std::lock_guard lock(state_->mutex);
    state_->stop = true;
  }
  state_->wake.notify_one();
  state_->thread.join();
}

// Waits for work, gathers what arrives within a moment, and writes it in
// one transaction; in between, old rows go.
void JournalWriter::Run() {
  State& state = *state_;
  std::unique_lock lock(state.mutex);
  for (;;) {
    state.wake.wait_until(lock, state.nextClean,
                          [&state] { return state.stop || !state.queue.empty(); });
    if (!state.stop && !state.queue.empty()) {
      state.wake.wait_for(lock, kGatherTime, [&state] { return state.stop; });
    }
    std::vector<Entry> batch;
    batch.swap(state.queue);
    const bool stopping = state.stop;
    lock.unlock();
    if (!state.failed && !batch.empty()) {
      if (const int rc = state.WriteBatch(batch); rc != SQLITE_OK) {
        state.Fail(ErrorText(state.db.get(), rc));
      }
    }
    if (!state.failed && (stopping || Clock::now() >= state.nextClean)) state.Clean(stopping);
    if (stopping) {
      if (!state.failed) {
        Statement leave(state.db.get(), kLeaveRunning);
        leave.Bind(1, state.firstId);
        leave.Step();
      }
      return;
    }
    lock.lock();
  }
}

int JournalWriter::State::WriteBatch(const std::vector<Entry>& batch) {
  sqlite3* handle = db.get();
  int rc = Execute(handle, "BEGIN IMMEDIATE");
  for (auto entry = batch.begin(); rc == SQLITE_OK && entry != batch.end(); ++entry) {
    rc = std::holds_alternative<HandOver>(*entry) ? WriteRow(std::get<HandOver>(*entry))
                                                  : WriteEnd(std::get<Ended>(*entry));
  }
  if (rc == SQLITE_OK) rc = Execute(handle, "COMMIT");
  if (rc != SQLITE_OK) Execute(handle, "ROLLBACK");
  return rc;
}

int JournalWriter::State::WriteRow(const HandOver& row) {
  insert.Bind(1, row.id);
  insert.Bind(2, row.startedMs);
  insert.BindText(3, row.point);
  insert.BindBlob(4, std::string_view(row.path));
  insert.Bind(5, row.size);
  insert.Bind(6, row.modifiedNs);
  insert.Bind(7, row.inode);
  const std::string arguments = Arguments(row.arguments);
  insert.BindBlob(8, std::string_view(arguments));
  insert.Bind(9, std::int64_t{row.pid});
  insert.Bind(10, std::int64_t{row.waited ? 1 : 0});
  insert.BindText(11, OutcomeName(row.outcome));
  insert.Bind(12, Widened(row.code));
  insert.Bind(13, row.durationMs);
  insert.BindBlob(14, BlobOrNull(row.movedTo));
  const int rc = insert.Step();
  insert.Reset();
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int JournalWriter::State::WriteEnd(const Ended& ended) {
  update.Bind(1, ended.id);
  update.BindText(2, OutcomeName(ended.end.outcome));
  update.Bind(3, Widened(ended.end.code));
  update.Bind(4, ended.end.durationMs);
  update.BindBlob(5, BlobOrNull(ended.end.movedTo));
  const int rc = update.Step();
  update.Reset();
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// Each batch is a transaction of its own, so that a reader or the next
// batch of hand-overs never waits long. At a stop one batch goes at most.
void JournalWriter::State::Clean(bool stopping) {
  nextClean = Clock::now() + kCleanEvery;
  if (options.keepDays <= 0) return;
  Statement clean(db.get(), kClean);
  clean.Bind(1, NowMs() - std::int64_t{options.keepDays} * kMsPerDay);
  clean.Bind(2, std::int64_t{kCleanBatch});
  for (;;) {
    const int rc = clean.Step();
    clean.Reset();
    if (rc != SQLITE_DONE) return Fail(ErrorText(db.get(), rc));
    if (sqlite3_changes(db.get()) < kCleanBatch || stopping) return;
    // Hand-overs first: the rest goes once they are written.
    const std::lock_guard lock(mutex);
    if (stop) return;
    if (!queue.empty()) {
      nextClean = Clock::now();
      return;
    }
    clean.Bind(1, NowMs() - std::int64_t{options.keepDays} * kMsPerDay);
    clean.Bind(2, std::int64_t{kCleanBatch});
  }
}

}  // namespace corvane::journal
