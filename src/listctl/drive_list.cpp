#include "listctl/drive_list.h"

#include <mntent.h>
#include <sys/statvfs.h>

#include <QFile>
#include <QStorageInfo>
#include <algorithm>
#include <array>

namespace corvane {

namespace {

// The label the system knows for the volume, else its file-system type.
QString DescriptionOf(const QByteArray& root, const QByteArray& type) {
  const QString path = QFile::decodeName(root);
  const QString label = QFile::encodeName(path) == root ? QStorageInfo(path).name() : QString();
  return label.isEmpty() ? QString::fromUtf8(type) : label;
}

bool IsReady(const QByteArray& root) {
  struct statvfs status {};
  return statvfs(root.constData(), &status) == 0;
}

}  // namespace

bool IsPseudoFileSystem(const QByteArray& type) {
  static constexpr std::array<const char*, 18> kPseudo = {
      "proc",       "sysfs",   "devtmpfs", "devpts",  "cgroup",      "cgroup2",
      "securityfs", "pstore",  "bpf",      "tracefs", "debugfs",     "mqueue",
      "hugetlbfs",  "fusectl", "configfs", "autofs",  "binfmt_misc", "squashfs"};
  return std::any_of(kPseudo.begin(), kPseudo.end(),
                     [&](const char* pseudo) { return type == pseudo; });
}

// Read from the mount table itself: its mount paths keep their bytes, and
// every real file system is listed, also those under /dev, /run or /sys.
std::vector<Drive> ListDrives() {
  std::vector<Drive> drives;
  std::vector<std::pair<QByteArray, QByteArray>> mounts;  // path, type
  if (FILE* table = setmntent("/proc/self/mounts", "re")) {
    mntent entry{};
    std::array<char, 4096> buffer{};
    while (getmntent_r(table, &entry, buffer.data(), static_cast<int>(buffer.size())))
      mounts.emplace_back(entry.mnt_dir, entry.mnt_type);
    endmntent(table);
  }
  auto typeOf = [&](const QByteArray& root) {
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
      if (it->first == root) return it->second;  // the last mount over a path is the one seen
    }
    return QByteArray();
  };
  drives.push_back(Drive{"/", DescriptionOf("/", typeOf("/"))});
  for (const auto& [root, type] : mounts) {
    if (IsPseudoFileSystem(type) || !IsReady(root)) continue;
    const bool known =
        std::any_of(drives.begin(), drives.end(), [&](const Drive& d) { return d.root == root; });
    if (!known) drives.push_back(Drive{root, DescriptionOf(root, typeOf(root))});
  }
  return drives;
}

}  // namespace corvane
