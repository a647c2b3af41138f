#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>

#include "platform/directory_listing.h"
#include "platform/open_files.h"

namespace corvane::platform {
namespace {

FileStatus ToFileStatus(const struct stat& st) {
  FileStatus status;
  status.device = st.st_dev;
  status.inode = st.st_ino;
  status.isDirectory = S_ISDIR(st.st_mode);
  status.isRegular = S_ISREG(st.st_mode);
  status.isLink = S_ISLNK(st.st_mode);
  status.ownerWritable = (st.st_mode & S_IWUSR) != 0;
  status.mtimeSeconds = st.st_mtim.tv_sec;
  return status;
}

bool IsOutOfDescriptors(int error) { return error == EMFILE || error == ENFILE; }

}  // namespace

void DirCloser::operator()(DIR* dir) const noexcept { ::closedir(dir); }

DirectoryListing::DirectoryListing(const std::string& path) {
  Adopt(UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK)));
}

DirectoryListing::DirectoryListing(const DirectoryListing& parent, const std::string& name) {
  if (!parent.dir_) return;
  Adopt(UniqueFd(::openat(parent.Descriptor(), name.c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK)));
}

DirectoryListing::DirectoryListing(const UniqueFd& directory) {
  if (directory) Adopt(UniqueFd(::fcntl(directory.get(), F_DUPFD_CLOEXEC, 0)));
}

// The stream takes the descriptor over only when it could be made.
void DirectoryListing::Adopt(UniqueFd fd) {
  if (!fd) {
    outOfDescriptors_ = IsOutOfDescriptors(errno);
    return;
  }
  dir_.reset(::fdopendir(fd.get()));
  if (!dir_) {
    outOfDescriptors_ = IsOutOfDescriptors(errno);
    return;
  }
  fd.Release();
}

int DirectoryListing::Descriptor() const { return ::dirfd(dir_.get()); }

Result<FileIdentity> DirectoryListing::Identity() const {
  if (!dir_) return SystemFailure(EBADF);
  struct stat st {};
  if (::fstat(Descriptor(), &st) != 0) return SystemFailure(errno);
  return FileIdentity{st.st_dev, st.st_ino};
}

const ListingEntry* DirectoryListing::Next() {
  if (!dir_) return nullptr;
  while (const dirent* entry = ::readdir(dir_.get())) {
    const std::string_view entryName(entry->d_name);
    if (entryName == "." || entryName == "..") continue;
    entry_.name.assign(entryName);
    switch (entry->d_type) {
      case DT_DIR: entry_.kind = EntryKind::Directory; break;
      case DT_REG: entry_.kind = EntryKind::Regular; break;
      case DT_LNK:
      case DT_UNKNOWN: entry_.kind = EntryKind::Unknown; break;
      default: entry_.kind = EntryKind::Other; break;
    }
    return &entry_;
  }
  return nullptr;
}

Result<FileStatus> DirectoryListing::Status(const std::string& name) const {
  if (!dir_) return SystemFailure(EBADF);
  struct stat st {};
  if (::fstatat(Descriptor(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return SystemFailure(errno);
  }
  return ToFileStatus(st);
}

bool DirectoryListing::IsCompressed(const std::string& name) const {
  if (!dir_) return false;
  struct statx stx {};
  if (::statx(Descriptor(), name.c_str(), AT_STATX_DONT_SYNC | AT_SYMLINK_NOFOLLOW, 0, &stx) != 0) {
    return false;
  }
  return (stx.stx_attributes_mask & STATX_ATTR_COMPRESSED) &&
         (stx.stx_attributes & STATX_ATTR_COMPRESSED);
}

// The descriptors' links are followed, since their targets are what counts.
bool ForeignOpenFiles::IsOpenElsewhere(unsigned long long device, unsigned long long inode) {
  if (!loaded_) {
    loaded_ = true;
    VisitForeignDescriptors([this](const std::string&, const std::string& link) {
      struct stat st {};
      if (::stat(link.c_str(), &st) == 0) open_.emplace_back(st.st_dev, st.st_ino);
      return NextDescriptor::Same;
    });
  }
  return std::find(open_.begin(), open_.end(), std::make_pair(device, inode)) != open_.end();
}

namespace {

// A write lease is granted only while no other open file description of the
// file exists, for reading or writing. Nullopt where leases are refused.
std::optional<bool> NobodyElseHasItOpen(int fd) {
  if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
    return true;
  }
  if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
  return std::nullopt;
}

bool IsListedFile(int fd, const FileStatus& listed) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == listed.device &&
         st.st_ino == listed.inode;
}

}  // namespace

// The entry may have been swapped for a link, a FIFO or a device since it
// was listed: O_NOFOLLOW refuses a link, O_NONBLOCK keeps a FIFO from
// blocking the open, and the descriptor's own status must be the file the
// listing saw before anything else is done with it. Read-only: closing a
// descriptor opened for writing raises a change event (IN_CLOSE_WRITE),
// which would wake a watched point again and again.
Exclusive DirectoryListing::TestExclusive(const std::string& name, const FileStatus& listed,
                                          ForeignOpenFiles& foreign) const {
  if (!dir_ || !listed.isRegular || !listed.ownerWritable) return Exclusive::No;
  const UniqueFd file(::openat(Descriptor(), name.c_str(),
                               O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
  if (!file) return IsOutOfDescriptors(errno) ? Exclusive::OutOfDescriptors : Exclusive::No;
  if (!IsListedFile(file.get(), listed)) return Exclusive::No;
  const std::optional<bool> alone = NobodyElseHasItOpen(file.get());
  if (alone.has_value() && !*alone) return Exclusive::No;
  if (!alone.has_value() && foreign.IsOpenElsewhere(listed.device, listed.inode)) {
    return Exclusive::No;
  }
  return ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 ? Exclusive::Yes : Exclusive::No;
}

void IgnoreLeaseBreakSignal() { ::signal(SIGIO, SIG_IGN); }

}  // namespace corvane::platform
