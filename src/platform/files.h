#pragma once

// Paths and whole files. Paths are byte strings: Linux file names need not
// be valid UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

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

// What the journal keeps of a file as it is handed over: its size, last
// write (nanoseconds since the epoch) and inode; a link is looked at itself.
struct FileFacts {
  long long size = 0;
  long long modifiedNs = 0;
  unsigned long long inode = 0;
};
Result<FileFacts> LookAtFile(const std::string& path);

}  // namespace corvane::platform
