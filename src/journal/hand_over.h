#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::journal {

// How a hand-over ended, as far as the daemon saw it. A command not waited
// for stays Running until the daemon sees it end.
enum class Outcome : std::uint8_t {
  Running,      // started; its end not seen yet
  Exited,       // ended by itself; code holds its exit code
  Signalled,    // ended by a signal; code holds the signal's number
  Terminated,   // outlasted the wait and was killed by the daemon
  LeftRunning,  // outlasted the wait, or the daemon stopped, and was left running
  NotStarted,   // the command could not be started
};

// The word the journal stores and shows for an outcome: "running", "exit",
// "signal", "terminated", "left running", "not started".
std::string_view OutcomeName(Outcome outcome);
std::optional<Outcome> OutcomeFromName(std::string_view name);

// One hand-over of a file to a point's command: one row of the journal.
struct HandOver {
  std::int64_t id = 0;         // the row's id; 0 until it is stored
  std::int64_t startedMs = 0;  // wall clock, milliseconds since the epoch (UTC)
  std::string point;           // the point's name
  std::string path;            // the file's full path, bytes as they are
  // The file as it was handed over, where it could be seen.
  std::optional<std::int64_t> size;
  std::optional<std::int64_t> modifiedNs;  // nanoseconds since the epoch
  std::optional<std::int64_t> inode;
  std::vector<std::string> arguments;  // the command's argument list
  int pid = 0;                         // 0 when it did not start
  bool waited = false;
  Outcome outcome = Outcome::Running;
  std::optional<int> code;                 // exit code (Exited) or signal (Signalled)
  std::optional<std::int64_t> durationMs;  // from the start until the end was seen
  std::string movedTo;                     // where the file went afterwards; empty: nowhere
};

}  // namespace corvane::journal
