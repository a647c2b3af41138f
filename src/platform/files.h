#pragma once

// Paths and whole files. Paths are byte strings: Linux file names need not
// be valid UTF-8.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/directory_entries.h"
#include "platform/result.h"

namespace corvane::platform {

// True when a file or directory exists under the path (links are followed).
bool PathExists(const std::string& path);

// The absolute path of what `path` names, with every ".", ".." and link
// resolved (realpath); fails when it cannot be resolved (nothing there, a
// part that may not be searched).
Result<std::string> ResolvedPath(const std::string& path);

// Appends `bytes` to the regular file at `path` (links followed), creating
// it when missing. Never blocks and never writes to anything else: a FIFO, a
// device or a directory is refused. Fails unless everything was written.
Result<void> AppendToRegularFile(const std::string& path, std::string_view bytes);

// The content of the regular file at `path` (links followed) when it holds
// at most `maxBytes`. Never blocks.
Result<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes);

// Succeeds when nothing is at `path` or a regular file is (links followed);
// otherwise tells why the path cannot be taken as a file to write.
Result<void> CheckRegularOrAbsent(const std::string& path);

// Whether a file at `path` can be replaced by a new one written beside it,
// as a store that writes atomically does: the failure is the system's reason
// for the first step that fails now (making a file in its folder, filling
// it, opening the old file for writing).
Result<void> CheckReplaceable(const std::string& path);

// What the entry at a path is, the entry itself (a link is not followed):
// what a move checks and the journal keeps of a file handed over.
struct EntryIdentity {
  FileIdentity id;
  bool isRegular = false;
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;  // the last write, nanoseconds since the epoch
};
Result<EntryIdentity> IdentityOfEntry(const std::string& path);

// The device and inode of the directory at `path` (links followed); fails
// for anything else.
Result<FileIdentity> IdentityOfDirectory(const std::string& path);

// Makes the directory and every missing parent; succeeds when it exists.
Result<void> MakeDirectories(const std::string& path);

// Renames the entry `from` to `to` (a link as the link), never replacing
// what is at `to`, also where the file system knows no no-replace rename:
// fails with EEXIST when that name is taken, with ENOENT when `from` is
// gone, with EXDEV when the two lie on different file systems.
Result<void> RenameWithoutReplacing(const std::string& from, const std::string& to);

// Copies the regular file `from` into the directory `folder` under a fresh
// hidden name made for it (never an existing file), flushed to the disk and
// of the size the original has; gives the copy's path. `from` is opened
// without following a link, and only when it is still the file `expected`.
// The copy is abandoned when stopRequested() turns true between two blocks.
// Whatever fails, no partial copy is left behind.
Result<std::string> CopyIntoFolder(const std::string& from, const FileIdentity& expected,
                                   const std::string& folder,
                                   const std::function<bool()>& stopRequested);

// Removes the entry at `path` (a file or a link; never a directory).
Result<void> RemoveEntry(const std::string& path);

}  // namespace corvane::platform
