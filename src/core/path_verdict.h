#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/file_rules.h"
#include "core/observation_point.h"
#include "platform/open_files.h"

namespace corvane {

class Clock;

// Where one point's walk stops on its way down to a path, before the rules
// of an entry apply.
enum class PathPlace {
  Reached,           // the walk lists the path's folder; the entry rules decide
  DirectoryMissing,  // the point's own folder cannot be opened
  NoSubfolders,      // the path lies in a sub-folder and the point searches none
  NotEntered,        // a folder on the way is a link, or cannot be read
  OutcomeFolder,     // a folder on the way is one the point moves its files into
  CannotSee,         // the status of the path or a folder on the way cannot be read
  Folder,            // the path is a folder, which the walk goes into
  SharedFolder,      // the path lies in a shared point's claim machinery
};

// What a check of one point would do with a path, and why.
struct PathVerdict {
  std::size_t pointIndex = 0;
  std::string path;  // as the point's walk spells it, from the point's folder down
  PathPlace place = PathPlace::Reached;
  // NoSubfolders, NotEntered, OutcomeFolder, CannotSee, SharedFolder: the folder the
  // walk does not go into, as the walk spells it (empty when the path's own status cannot be
  // read); DirectoryMissing: the point's folder.
  std::string folder;
  std::string reason;  // CannotSee, Folder: the system's words
  std::string dir;     // Reached: the path's folder as the walk spells it
  std::string name;    // the path's last part
  FileVerdict file;    // Reached: what the entry's rules found
  // Exclusive access refused: who has the file open, where that can be seen.
  std::vector<platform::FileHolder> holders;

  bool HandedOver() const {
    return place == PathPlace::Reached && file.stoppedBy == FileRule::None;
  }
};

// For every point whose folder holds `path` (a relative path is taken from
// the working directory; "." and ".." are resolved by their spelling), in
// table order: how the next check would judge it. The point's folder may be
// named as configured or by its real path. The walk goes down as a check
// does, never through a link, and the entry's rules are the check's own.
std::vector<PathVerdict> JudgePath(const PointTable& points, const std::string& path,
                                   const Clock& clock);

}  // namespace corvane
