#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "journal/hand_over.h"
#include "platform/result.h"

namespace corvane::journal {

// How a hand-over ended: what Begin left open. movedTo is where the file
// went afterwards (empty: it stayed).
struct HandOverEnd {
  Outcome outcome = Outcome::Running;
  std::optional<int> code;
  std::optional<std::int64_t> durationMs;
  std::string movedTo;
};

// Writes the journal of one daemon. The daemon's calls only queue: a thread
// of the writer's own writes what is queued in one transaction at a time,
// so that neither the disk nor another process reading the file ever holds
// up a check. It also removes rows older than the keep time, a few at a
// time.
//
// Once writing fails (disk full, the file gone read-only or damaged under
// it) the writer tells so once, through the failure notice, and from then
// on drops what it is given.
//
// Begin and End are called from one thread (the daemon's); the failure
// notice runs on the writer's thread.
class JournalWriter {
 public:
  struct Options {
    std::string file;
    int keepDays = 30;  // 0: rows are kept for ever
    // Told once why writing stopped; runs on the writer's thread.
    std::function<void(const std::string& reason)> onFailure;
  };
  // What Open did about a damaged file: where it went ("" when there was
  // none).
  struct Opened {
    std::unique_ptr<JournalWriter> writer;
    std::string movedAside;
  };

  // Opens the journal, creating it and its folder where missing. A file
  // that is not a journal database, or fails its integrity check, is moved
  // aside (next to it, never over another file) and a new one started. Fails
  // with the reason when the file cannot be opened or written.
  static platform::Result<Opened> Open(Options options);

  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Queues the row of a hand-over that has begun, and answers its id, with
  // which End completes it. Its own id field is ignored.
  std::int64_t Begin(HandOver handOver);
  void End(std::int64_t id, HandOverEnd end);

  // Writes what is queued, marks the rows of this writer that are still
  // running as left running, and stops the thread. The wait is bounded by
  // the time the file's lock is waited for. Called by the destructor.
  void Close();

  struct State;  // the connection, the queue and the thread; only the source knows it

 private:
  explicit JournalWriter(std::unique_ptr<State> state);
  void Run();

  std::unique_ptr<State> state_;
};

}  // namespace corvane::journal
