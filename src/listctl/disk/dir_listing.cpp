#include "listctl/disk/dir_listing.h"

// The platform's listing rather than QDir: Qt hands names out decoded and
// cannot give back the bytes of a name that is not UTF-8, and QFileInfo
// tells neither the device and inode of a folder nor an entry's type
// without a stat per entry.
#include <string>
#include <string_view>

#include "platform/directory_entries.h"

namespace corvane {

namespace {

std::string ToPath(const QByteArray& bytes) {
  return {bytes.constData(), std::size_t(bytes.size())};
}

}  // namespace

QByteArray JoinPath(const QByteArray& folder, const QByteArray& name) {
  if (folder.isEmpty() || folder.endsWith('/')) return folder + name;
  return folder + '/' + name;
}

bool IsInsideItself(const QByteArray& folder) {
  const auto self = platform::IdentityOf(ToPath(folder));
  if (!self) return false;
  qsizetype end = folder.size();
  while (end > 0 && folder[end - 1] == '/') --end;  // the folder's own trailing "/"
  if (end == 0) return false;                       // the root has nothing above it
  for (qsizetype slash = folder.lastIndexOf('/', end - 1); slash >= 0;
       slash = slash == 0 ? -1 : folder.lastIndexOf('/', slash - 1)) {
    const QByteArray above = slash == 0 ? QByteArray("/") : folder.left(slash);
    if (platform::IdentityOf(ToPath(above)) == self) return true;
  }
  return false;
}

FolderEntries ListFolder(const QByteArray& folder, const std::vector<FilePattern>& filePatterns,
                         EntryRules rules) {
  FolderEntries result;
  if (folder.isEmpty()) return result;
  // Per pattern, the files it lists, so that they come pattern by pattern.
  std::vector<std::vector<QByteArray>> filesBy(filePatterns.size());
  for (const platform::DirectoryEntry& entry : platform::ReadDirectoryEntries(ToPath(folder))) {
    const std::string& name = entry.name;
    if (!rules.showHidden && name.front() == '.') continue;
    if (entry.kind == platform::EntryKind::Other && !rules.showSystem) continue;
    const auto bytes = [&] { return QByteArray(name.data(), qsizetype(name.size())); };
    if (entry.kind == platform::EntryKind::Directory) {
      result.folders.push_back(bytes());
      continue;
    }
    for (std::size_t i = 0; i < filePatterns.size(); ++i) {
      if (filePatterns[i].Matches(name)) filesBy[i].push_back(bytes());
    }
  }
  for (auto& files : filesBy) {
    for (auto& file : files) result.files.push_back(std::move(file));
  }
  return result;
}

}  // namespace corvane
