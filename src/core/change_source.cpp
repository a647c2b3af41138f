#include "core/change_source.h"

#include "platform/directory_listing.h"

namespace corvane {
namespace {

class SystemChangeSource final : public ChangeSource {
 public:
  int Descriptor() const override { return events_.Descriptor(); }
  WatchResult Add(const std::string& directory) override { return events_.Add(directory); }
  WatchResult AddFile(const std::string& path) override { return events_.AddFile(path); }
  void Remove(int watch) override { events_.Remove(watch); }
  void Read(std::vector<ChangeEvent>& events) override { events_.Read(events); }
  bool DeliversEvents(const std::string& directory) override {
    return platform::FileSystemDeliversEvents(directory);
  }
  std::vector<std::string> SubDirectories(const std::string& directory) override {
    std::vector<std::string> found;
    platform::DirectoryListing listing(directory);
    while (const platform::ListingEntry* entry = listing.Next()) {
      if (entry->kind == platform::EntryKind::Directory ||
          entry->kind == platform::EntryKind::Unknown) {
        found.push_back(directory + entry->name + '/');
      }
    }
    return found;
  }

 private:
  platform::ChangeEvents events_;
};

}  // namespace

std::unique_ptr<ChangeSource> MakeSystemChangeSource() {
  return std::make_unique<SystemChangeSource>();
}

}  // namespace corvane
