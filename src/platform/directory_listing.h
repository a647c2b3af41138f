#pragma once

// Listing directories and looking at their entries: status, attributes and
// the exclusive test (whether anybody else has a file open).

#include <dirent.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/directory_entries.h"
#include "platform/result.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

struct DirCloser {
  void operator()(DIR* dir) const noexcept;
};

// A directory stream, closed (with its descriptor) by its owner.
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

// One entry of a listing.
struct ListingEntry {
  std::string name;
  EntryKind kind = EntryKind::Unknown;
};

// The status of an entry itself: a symbolic link is never followed and
// reports as a link, whatever it points to.
struct FileStatus {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  bool isDirectory = false;
  bool isRegular = false;
  bool isLink = false;
  bool ownerWritable = false;
  long long mtimeSeconds = 0;  // last write, seconds since the epoch
};

// What the exclusive test found.
enum class Exclusive { Yes, No, OutOfDescriptors };

class ForeignOpenFiles;

// One open directory, read entry by entry in the file system's order. The
// descriptor is close-on-exec. A directory that cannot be opened lists
// nothing.
class DirectoryListing {
 public:
  // The path's last part may be a link to a directory (a point's own
  // directory is what the user configured).
  explicit DirectoryListing(const std::string& path);
  // The sub-directory `name` of `parent`, never through a link: when the
  // entry was swapped for a link since it was listed, nothing is opened.
  DirectoryListing(const DirectoryListing& parent, const std::string& name);
  // The directory `directory` is open at, through a descriptor of its own:
  // nothing is looked up again by name.
  explicit DirectoryListing(const UniqueFd& directory);

  // True when the open failed only because the process or the system ran
  // out of descriptors: the directory was not looked at, and should be.
  bool OutOfDescriptors() const { return outOfDescriptors_; }
  // The directory's own device and inode.
  Result<FileIdentity> Identity() const;
  // The next entry other than "." and ".."; null at the end. A link, or an
  // entry whose type the file system does not tell, is Unknown. Stays valid
  // until the next call.
  const ListingEntry* Next();
  // Status of an entry of this directory (links not followed); fails when
  // it is gone.
  Result<FileStatus> Status(const std::string& name) const;
  // Whether the file system marks the entry as compressed (btrfs, f2fs).
  bool IsCompressed(const std::string& name) const;

  // Yes when the entry `name`, still the regular, owner-writable file that
  // `listed` describes (same device and inode), is open in no other process
  // and locked by nobody: a write lease is granted (or, where leases are
  // refused, no other process has it open) and an exclusive flock is free.
  // Opens without following a link and without blocking, and keeps nothing
  // open that turns out not to be that file.
  Exclusive TestExclusive(const std::string& name, const FileStatus& listed,
                          ForeignOpenFiles& foreign) const;

 private:
  void Adopt(UniqueFd fd);
  int Descriptor() const;

  UniqueDir dir_;
  ListingEntry entry_;
  bool outOfDescriptors_ = false;
};

// The files other processes hold open, by device and inode, read once from
// /proc/*/fd when first asked. For file systems that refuse leases.
class ForeignOpenFiles {
 public:
  bool IsOpenElsewhere(unsigned long long device, unsigned long long inode);

 private:
  bool loaded_ = false;
  std::vector<std::pair<unsigned long long, unsigned long long>> open_;
};

// A lease break would send SIGIO, whose default action ends the process.
void IgnoreLeaseBreakSignal();

}  // namespace corvane::platform
