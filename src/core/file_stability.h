#pragma once

// Whether a file stayed the same from one check to the next: for writers on
// other machines, whom the exclusive test cannot see.

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace corvane {

// What a check saw of a file.
struct FileState {
  std::uint64_t size = 0;
  std::chrono::system_clock::time_point modified;
  bool operator==(const FileState&) const = default;
};

// Remembers the state of every file seen between two checks. Not for use
// from several threads at once.
class StabilityRecord {
 public:
  // Records `state` for `path` and tells whether the check before saw the
  // very same state; a file seen for the first time is not yet unchanged.
  bool Unchanged(const std::string& path, const FileState& state);

  // Whether the check before saw `state` for `path`, recording nothing.
  bool SeenAs(const std::string& path, const FileState& state) const;

  // Ends a check: forgets every path this check did not look at, so that a
  // file that went and came back starts afresh and the record stays as
  // large as the folder.
  void EndCheck();

 private:
  struct Sighting {
    FileState state;
    bool seenThisCheck = false;
  };
  std::unordered_map<std::string, Sighting> sightings_;
};

}  // namespace corvane
