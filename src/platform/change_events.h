#pragma once

// One inotify descriptor for every watched directory. An event tells which
// watch saw it and what kind it is; the name of the entry it is about is
// read and thrown away, so no name from a watched tree ever reaches the core.

#include <string>
#include <vector>

#include "platform/result.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

enum class ChangeKind {
  Completed,     // a file was closed after writing, or moved in: it may be complete
  Changed,       // an entry was created or changed attributes
  NewDirectory,  // a sub-directory was created or moved in
  Gone,          // the directory itself was deleted, moved or unmounted
  Overflow,      // the queue overflowed: events were lost (watch is -1)
};

struct ChangeEvent {
  int watch = -1;
  ChangeKind kind = ChangeKind::Changed;
};

// Why a watch could not be added.
enum class WatchFailure {
  LimitReached,   // the user's watch limit (or the kernel's memory) is exhausted
  NotADirectory,  // missing, a link, or no directory
  Failed,
};

// A watch, or why there is none.
using WatchResult = Result<int, WatchFailure>;

class ChangeEvents {
 public:
  ChangeEvents();

  // Close-on-exec and non-blocking, owned by this object; -1 when the
  // system gave none.
  int Descriptor() const { return fd_.get(); }
  // Watches the directory. A link is followed only where the path ends in
  // "/", as the system resolves paths. Watching the same directory again
  // returns the same watch.
  WatchResult Add(const std::string& directory);
  // Watches a file (never through a link) for its close by whoever has it
  // open, whether they wrote to it or not.
  WatchResult AddFile(const std::string& path);
  void Remove(int watch);
  // Appends the events waiting now (up to about a megabyte of them); never
  // blocks.
  void Read(std::vector<ChangeEvent>& events);

 private:
  UniqueFd fd_;
};

// False for file systems where changes made elsewhere (another machine, a
// user-space server) raise no events: network file systems and FUSE.
// True when it cannot tell.
bool FileSystemDeliversEvents(const std::string& directory);

}  // namespace corvane::platform
