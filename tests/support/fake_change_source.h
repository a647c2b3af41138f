#pragma once

// A scripted source of change events over an imagined tree of directories:
// it hands out one watch per directory (aliases share one), refuses watches
// beyond a limit, and delivers the events a test queues. Its descriptor is
// a pipe that is readable while events wait.

#include <unistd.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/change_source.h"

namespace corvane::test {

class FakeChangeSource final : public ChangeSource {
 public:
  FakeChangeSource() {
    if (::pipe(pipe_) != 0) pipe_[0] = pipe_[1] = -1;
  }
  ~FakeChangeSource() override {
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }

  // Adds the directory (ending in "/") and every one above it up to a root.
  void MakeDirectory(const std::string& path) {
    dirs.insert(path);
    const auto cut = path.find_last_of('/', path.size() - 2);
    if (cut != std::string::npos && cut > 0) {
      const std::string parent = path.substr(0, cut + 1);
      below[parent].insert(path);
      if (!dirs.contains(parent)) MakeDirectory(parent);
    }
  }
  // The watch a directory (ending in "/") or a file has now; -1 when none.
  int WatchOf(const std::string& path) const {
    const auto found = ids_.find(path.ends_with('/') ? Resolve(path) : path);
    return found == ids_.end() || !active.contains(found->second) ? -1 : found->second;
  }
  void Queue(int watch, ChangeKind kind) {
    events_.push_back({watch, kind});
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(pipe_[1], &byte, 1);
  }
  bool Waiting() const { return !events_.empty(); }

  int Descriptor() const override { return descriptor ? pipe_[0] : -1; }
  WatchResult Add(const std::string& directory, int& watch) override {
    ++adds;
    if (!dirs.contains(Resolve(directory))) return WatchResult::NotADirectory;
    auto [it, fresh] = ids_.try_emplace(Resolve(directory), nextId_);
    if (fresh) ++nextId_;
    if (!active.contains(it->second) && static_cast<int>(active.size()) >= limit) {
      return WatchResult::LimitReached;
    }
    active.insert(it->second);
    watch = it->second;
    return WatchResult::Ok;
  }
  // Any file can be watched, up to the limit.
  WatchResult AddFile(const std::string& path, int& watch) override {
    if (static_cast<int>(active.size()) >= limit) return WatchResult::LimitReached;
    auto [it, fresh] = ids_.try_emplace(path, nextId_);
    if (fresh) ++nextId_;
    active.insert(watch = it->second);
    return WatchResult::Ok;
  }
  void Remove(int watch) override { active.erase(watch); }
  void Read(std::vector<ChangeEvent>& events) override {
    char byte = 0;
    for (std::size_t i = 0; i < events_.size(); ++i) {
      [[maybe_unused]] const auto got = ::read(pipe_[0], &byte, 1);
    }
    events.insert(events.end(), events_.begin(), events_.end());
    events_.clear();
  }
  bool DeliversEvents(const std::string&) override { return delivers; }
  std::vector<std::string> SubDirectories(const std::string& directory) override {
    const auto found = below.find(directory);
    return found == below.end()
               ? std::vector<std::string>{}
               : std::vector<std::string>(found->second.begin(), found->second.end());
  }

  std::set<std::string> dirs;
  std::map<std::string, std::set<std::string>> below;
  std::map<std::string, std::string> aliases;  // another path to the same directory
  std::set<int> active;
  int limit = 1 << 30;
  int adds = 0;
  bool delivers = true;
  bool descriptor = true;

 private:
  std::string Resolve(std::string path) const {
    if (!path.ends_with('/')) path += '/';
    const auto alias = aliases.find(path);
    return alias == aliases.end() ? path : alias->second;
  }

  int pipe_[2] = {-1, -1};
  int nextId_ = 1;
  std::map<std::string, int> ids_;
  std::vector<ChangeEvent> events_;
};

}  // namespace corvane::test
