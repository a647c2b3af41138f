#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace corvane {

struct SharedPointState;

// Why a point that asked for change events is checked on its interval alone.
enum class WatchFallback : std::uint8_t {
  None,           // events wake the point
  Overflow,       // events were lost; events are used again after one interval
  WatchLimit,     // the user's inotify watch limit is reached
  NoEvents,       // a file system without events (network, FUSE)
  DirectoryGone,  // missing, deleted or moved; used again once it is back
  Unavailable,    // the system gave no event descriptor
};

// The files of one point whose command is still running, by full path, with
// the command's pid. An entry leaves when its command has ended, so the map
// never holds more than the commands running.
using RunningCommands = std::map<std::string, int>;

// One configured point: which directory to watch, which names count, how
// often to look and what to run for every file found. The defaults are
// those a point has before its fields are read from the observation file.
struct ObservationPoint {
  std::string directory;               // ends with "/" once added
  std::string filePattern = "*.*";     // patterns separated by "|"
  std::string name;                    // never empty once added
  std::string command;                 // command line with placeholders
  std::string ageUnit = "sec";         // unit of minimumAge
  std::string windowStyle = "normal";  // window style hint of the command
  std::int32_t interval = 0;           // check every interval + 1 ticks
  std::int32_t ticks = 0;              // ticks since the last check
  std::int32_t minimumAge = 0;         // least age in ageUnit units; <= 0: none
  std::int32_t wait = -1;              // < 0 no wait, 0 until it ends, n ms
  bool hidden = false;                 // files with these attributes may be handled
  bool system = false;
  bool archive = true;
  bool readOnly = false;
  bool compressed = true;
  bool terminate = false;  // kill the command when it outlasts wait
  bool exclusive = true;   // only files nobody else has open
  bool noSubdirectories = false;
  bool watch = false;  // change events bring the next check forward
  // Other daemons watch the folder too: each file is claimed before its
  // command, and handed over only once it stayed the same between two checks.
  bool shared = false;
  // Where a file goes once its waited command has ended: with exit code 0,
  // and otherwise. Full paths ending in "/" once added; empty: it stays.
  std::string successFolder;
  std::string failureFolder;
  WatchFallback watchFallback = WatchFallback::None;
  std::int32_t executed = 0;  // commands started
  std::int32_t failed = 0;    // commands that could not be started
  // Made by the first command started; shared with the commands' end notices,
  // which leave it alone once the point is gone.
  std::shared_ptr<RunningCommands> running;
  // A shared point's claim machinery, made by its first check; shared like
  // `running`, so that a command still running keeps what it claimed.
  std::shared_ptr<SharedPointState> sharedState;
  // What the last check passed over, so that change events can bring the
  // next look forward: the files found busy (full paths; only those of that
  // check), and when the youngest file too young for minimumAge comes of
  // age (seconds since the epoch).
  std::set<std::string> busyFiles;
  std::optional<std::int64_t> comesOfAge;

  // A freshly zeroed record: what the table holds after a clear.
  static ObservationPoint Blank();
  // Empty command, interval 0 and empty directory.
  bool IsBlank() const;
};

// The configured points in file order, indexed from 0.
using PointTable = std::vector<ObservationPoint>;

}  // namespace corvane
