#pragma once

// The file operations behind a hot folder that several daemons share: every
// call works relative to an open directory and never follows a symbolic
// link, so that names planted in the folder cannot lead anywhere else.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_entries.h"  // EntryKind
#include "platform/result.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

// This machine's host name; "localhost" when the system gives none.
std::string HostName();

// Opens the directory at `path` (links followed: the user named it).
Result<UniqueFd> OpenDirectory(const std::string& path);

// Opens the directory `name` inside `parent`, making it first when missing
// and `create` is set (mode 0777 less the umask, so that daemons of other
// users can work in it too). A link, or anything but a directory, is
// refused; so is a directory of another user when `mustBeOwn` is set.
Result<UniqueFd> OpenSubdirectory(int parent, const std::string& name, bool create, bool mustBeOwn);

struct SharedEntry {
  std::string name;
  EntryKind kind = EntryKind::Other;  // a link is Other
};

// The entries of `dir` but "." and "..", at most `maxEntries` of them.
Result<std::vector<SharedEntry>> ListEntries(int dir, std::size_t maxEntries);

// What a move ended in: a lost race shows as SourceGone, a name already
// taken at the target as TargetTaken; neither moved anything.
enum class MoveOutcome { Moved, SourceGone, TargetTaken };

// The ways of moving without replacing, from the best to the last resort.
enum class NoReplaceWay {
  Rename,       // a rename told not to replace: atomic
  Link,         // a hard link, never made over a name, and the old name removed
  Reservation,  // an empty file made exclusively at the target, renamed over
};

// Renames `from` in `fromDir` to `to` in `toDir`, never replacing a file at
// the target. Starts with `firstWay` and falls back to the next way while
// the file system refuses one: many NFS and SMB servers know no no-replace
// rename, and some refuse hard links as well. A way other than Rename to
// start with is for tests on a file system that knows them all.
Result<MoveOutcome> MoveWithoutReplacing(int fromDir, const std::string& from, int toDir,
                                         const std::string& to,
                                         NoReplaceWay firstWay = NoReplaceWay::Rename);

// Renames `from` in `fromDir` to `to` in `toDir`, a folder that nobody but
// this daemon writes into: a plain rename, which every file system and
// server does atomically, after a look that `to` is free. Of several
// processes moving one file, exactly one sees Moved.
Result<MoveOutcome> MoveIntoOwnFolder(int fromDir, const std::string& from, int toDir,
                                      const std::string& to);

// Creates the regular file `name` in `dir` with `bytes`; fails when the name
// is taken.
Result<void> WriteNewFile(int dir, const std::string& name, std::string_view bytes);

// The content of the regular file `name` in `dir` when it holds at most
// `maxBytes`. Never blocks, never follows a link.
Result<std::string> ReadSmallFile(int dir, const std::string& name, std::size_t maxBytes);

// Removes the file `name` from `dir`; a name already gone is no failure.
Result<void> RemoveFile(int dir, const std::string& name);

using FileTime = std::chrono::system_clock::time_point;

// Opens the regular file `name` in `dir`, creating it, and locks it for this
// process (an fcntl lock, which NFS servers hold too); the kernel frees the
// lock when the process ends. Fails with EAGAIN or EACCES when another
// process holds it. Closing any other descriptor of the file in this
// process frees the lock as well: open it once.
Result<UniqueFd> OpenLockedFile(int dir, const std::string& name);
// Sets the modification time of the open file `fd` to the file system's
// "now" and gives it: on a network file system that is the server's clock,
// not this machine's.
Result<FileTime> TouchOpenFile(int fd);

// The modification time of the entry `name` in `dir` itself (a link is not
// followed); nullopt when nothing has that name.
Result<std::optional<FileTime>> ModificationTime(int dir, const std::string& name);

}  // namespace corvane::platform
