#include "listctl/disk/drive_list.h"

#include <QFile>
#include <QStorageInfo>
#include <algorithm>
#include <array>

namespace corvane {

bool IsPseudoFileSystem(const QByteArray& type) {
  static constexpr std::array<const char*, 18> kPseudo = {
      "proc",       "sysfs",   "devtmpfs", "devpts",  "cgroup",      "cgroup2",
      "securityfs", "pstore",  "bpf",      "tracefs", "debugfs",     "mqueue",
      "hugetlbfs",  "fusectl", "configfs", "autofs",  "binfmt_misc", "squashfs"};
  return std::any_of(kPseudo.begin(), kPseudo.end(),
                     [&](const char* pseudo) { return type == pseudo; });
}

std::vector<Drive> DrivesOf(const std::vector<MountedVolume>& volumes) {
  std::vector<Drive> drives{Drive{"/", {}}};
  for (const MountedVolume& volume : volumes) {
    if (IsPseudoFileSystem(volume.type)) continue;
    const QString description =
        volume.label.isEmpty() ? QString::fromUtf8(volume.type) : volume.label;
    const auto known = std::find_if(drives.begin(), drives.end(),
                                    [&](const Drive& d) { return d.root == volume.root; });
    if (known == drives.end()) {
      drives.push_back(Drive{volume.root, description});
    } else {
      known->description = description;
    }
  }
  return drives;
}

std::vector<Drive> ListDrives() {
  std::vector<MountedVolume> volumes;
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
    if (!storage.isValid() || !storage.isReady()) continue;
    volumes.push_back(MountedVolume{QFile::encodeName(storage.rootPath()), storage.fileSystemType(),
                                    storage.name()});
  }
  return DrivesOf(volumes);
}

}  // namespace corvane
