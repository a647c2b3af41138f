#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/hand_over.h"
#include "platform/result.h"

namespace corvane::journal {

// Which hand-overs to read: every condition that is set must hold.
struct Filter {
  std::optional<std::string> point = {};  // the point's name, exactly
  std::optional<std::string> path = {};   // the file's full path, exactly
  // Tells whether a file's name (the path's last part) is wanted.
  std::function<bool(std::string_view name)> nameMatches = {};
  std::optional<std::int64_t> sinceMs = {};  // started at or after
  std::optional<std::int64_t> untilMs = {};  // started before
  std::optional<Outcome> outcome = {};
  std::size_t latest = 0;  // only the latest this many; 0: all
};

// The hand-overs of the journal in `journalFile` that pass `filter`, oldest
// first. Opens the file read-only, so a daemon may go on writing it; a file
// that does not exist is an error, not an empty journal.
platform::Result<std::vector<HandOver>> ReadHandOvers(const std::string& journalFile,
                                                      const Filter& filter);

}  // namespace corvane::journal
