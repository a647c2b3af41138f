#pragma once

// A directory's entries as the file system has them, for callers that need
// what Qt's directory classes cannot give: a name's raw bytes (Linux names
// need not be UTF-8), an entry's type without following a link and without
// a status call per entry, and a directory's identity (device and inode).

#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

// What an entry is, taken from the entry itself: a link is Other, whatever
// it points to, as are FIFOs, sockets and devices. Unknown only from a
// DirectoryListing, which tells no more than the listing did (a link, or an
// entry of a file system that does not tell types, is Unknown there).
enum class EntryKind { Directory, Regular, Other, Unknown };

struct DirectoryEntry {
  std::string name;  // the bytes as stored, never "." or ".."
  EntryKind kind = EntryKind::Other;
};

// Device and inode: one file, whatever path reaches it.
struct FileIdentity {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The entries of `directory` in the order the file system gives them. A
// directory that cannot be opened gives none, one that cannot be read to its
// end what was read until then; an entry gone before its type was known is
// Other. A link as the path's last part is followed; nothing below it is.
std::vector<DirectoryEntry> ReadDirectoryEntries(const std::string& directory);

// The identity of what `path` names, links followed; nullopt when there is
// nothing or it cannot be looked at.
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace corvane::platform
