#include "listctl/dir_listing.h"

// POSIX rather than QDir: Qt hands names out decoded and cannot give back
// the bytes of a name that is not UTF-8, and QFileInfo tells neither the
// device and inode of a folder nor an entry's type without a stat per entry.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace corvane {

namespace {

enum class Kind { Folder, File, System };

Kind KindOf(int dirFd, const dirent& entry) {
  switch (entry.d_type) {
    case DT_DIR: return Kind::Folder;
    case DT_REG: return Kind::File;
    case DT_UNKNOWN: break;
    default: return Kind::System;
  }
  struct stat status {};
  if (fstatat(dirFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) return Kind::System;
  if (S_ISDIR(status.st_mode)) return Kind::Folder;
  return S_ISREG(status.st_mode) ? Kind::File : Kind::System;
}

bool IsDotOrDotDot(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

QByteArray JoinPath(const QByteArray& folder, const QByteArray& name) {
  if (folder.isEmpty() || folder.endsWith('/')) return folder + name;
  return folder + '/' + name;
}

bool IsInsideItself(const QByteArray& folder) {
  struct stat self {};
  if (stat(folder.constData(), &self) != 0) return false;
  qsizetype end = folder.size();
  while (end > 0 && folder[end - 1] == '/') --end;  // the folder's own trailing "/"
  if (end == 0) return false;                       // the root has nothing above it
  for (qsizetype slash = folder.lastIndexOf('/', end - 1); slash >= 0;
       slash = slash == 0 ? -1 : folder.lastIndexOf('/', slash - 1)) {
    const QByteArray above = slash == 0 ? QByteArray("/") : folder.left(slash);
    struct stat status {};
    if (stat(above.constData(), &status) == 0 && status.st_dev == self.st_dev &&
        status.st_ino == self.st_ino) {
      return true;
    }
  }
  return false;
}

FolderEntries ListFolder(const QByteArray& folder, const std::vector<FilePattern>& filePatterns,
                         EntryRules rules) {
  FolderEntries result;
  if (folder.isEmpty()) return result;
  const int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return result;
  const std::unique_ptr<DIR, DirCloser> dir(fdopendir(fd));
  if (!dir) {
    close(fd);
    return result;
  }
  // Per pattern, the files it lists, so that they come pattern by pattern.
  std::vector<std::vector<QByteArray>> filesBy(filePatterns.size());
  while (const dirent* entry = readdir(dir.get())) {
    const char* name = entry->d_name;
    if (IsDotOrDotDot(name)) continue;
    if (!rules.showHidden && name[0] == '.') continue;
    const Kind kind = KindOf(dirfd(dir.get()), *entry);
    if (kind == Kind::System && !rules.showSystem) continue;
    if (kind == Kind::Folder) {
      result.folders.emplace_back(name);
      continue;
    }
    const std::string_view view(name);
    for (std::size_t i = 0; i < filePatterns.size(); ++i) {
      if (filePatterns[i].Matches(view)) filesBy[i].emplace_back(name);
    }
  }
  for (auto& files : filesBy) {
    for (auto& file : files) result.files.push_back(std::move(file));
  }
  return result;
}

}  // namespace corvane
