#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/change_events.h"

namespace corvane {

using platform::ChangeEvent;
using platform::ChangeKind;
using platform::WatchFailure;
using platform::WatchResult;

// Where change events come from: the system's (inotify) in the daemon, a
// scripted one in tests.
class ChangeSource {
 public:
  virtual ~ChangeSource() = default;
  // Readable when events wait; -1 when the source has none to offer.
  virtual int Descriptor() const = 0;
  // The same directory (also under another path) yields the same watch. A
  // link is followed only where the path ends in "/".
  virtual WatchResult Add(const std::string& directory) = 0;
  // Watches a file for its close (never through a link).
  virtual WatchResult AddFile(const std::string& path) = 0;
  virtual void Remove(int watch) = 0;
  virtual void Read(std::vector<ChangeEvent>& events) = 0;
  virtual bool DeliversEvents(const std::string& directory) = 0;
  // The directories directly below `directory` (which ends in "/"), as
  // paths ending in "/". Entries of unknown type are listed too: watching
  // refuses them when they are no directory or a link.
  virtual std::vector<std::string> SubDirectories(const std::string& directory) = 0;
};

std::unique_ptr<ChangeSource> MakeSystemChangeSource();

}  // namespace corvane
