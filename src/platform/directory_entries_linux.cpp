#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/directory_entries.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

namespace {

// An entry whose type the file system leaves open gets one status call,
// made relative to the open directory so that it names the entry listed.
EntryKind KindOf(int directoryFd, const char* name, unsigned char type) {
  switch (type) {
    case DT_DIR: return EntryKind::Directory;
    case DT_REG: return EntryKind::Regular;
    case DT_UNKNOWN: break;
    default: return EntryKind::Other;
  }
  struct stat status {};
  if (::fstatat(directoryFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
  if (S_ISDIR(status.st_mode)) return EntryKind::Directory;
  return S_ISREG(status.st_mode) ? EntryKind::Regular : EntryKind::Other;
}

}  // namespace

// getdents64 on a descriptor that UniqueFd owns throughout, rather than a
// DIR stream, which would take the descriptor over.
std::vector<DirectoryEntry> ReadDirectoryEntries(const std::string& directory) {
  std::vector<DirectoryEntry> entries;
  const UniqueFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return entries;
  alignas(dirent64) std::array<char, 32 * 1024> buffer;
  for (;;) {
    const ssize_t filled = ::getdents64(fd.get(), buffer.data(), buffer.size());
    if (filled <= 0) break;
    for (ssize_t offset = 0; offset < filled;) {
      dirent64 record;
      std::memcpy(&record, buffer.data() + offset, offsetof(dirent64, d_name));
      const char* name = buffer.data() + offset + offsetof(dirent64, d_name);
      offset += record.d_reclen;
      const std::string_view view(name);
      if (view == "." || view == "..") continue;
      entries.push_back({std::string(view), KindOf(fd.get(), name, record.d_type)});
    }
  }
  return entries;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{status.st_dev, status.st_ino};
}

}  // namespace corvane::platform
