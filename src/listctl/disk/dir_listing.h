#pragma once

// One folder's entries for the directory modes: sub-folders and files by
// name, each name's bytes kept as the file system has them.

#include <QByteArray>
#include <vector>

#include "text/file_pattern.h"

namespace corvane {

struct EntryRules {
  bool showHidden = false;  // names beginning with "."
  bool showSystem = false;  // links, FIFOs, sockets, devices
};

struct FolderEntries {
  std::vector<QByteArray> folders;
  std::vector<QByteArray> files;
};

// The entries of `folder` in the order the file system gives them. A file is
// listed once per pattern it fits, pattern by pattern; an empty pattern list
// lists no files. Folders are listed whatever their name. A link, even to a
// folder, is a system entry among the files and is never taken for a
// folder, so a listing never follows one. A folder that cannot be opened or
// read gives what was read until then.
FolderEntries ListFolder(const QByteArray& folder, const std::vector<FilePattern>& filePatterns,
                         EntryRules rules);

// True when `folder` is the same directory (device and inode) as one of the
// folders above it on its path, as a bind mount of a parent is: opening it
// would nest the same tree without end.
bool IsInsideItself(const QByteArray& folder);

// Joins a folder and a name with exactly one "/" between them.
QByteArray JoinPath(const QByteArray& folder, const QByteArray& name);

}  // namespace corvane
