#pragma once

// The "drives" of the directory modes: the root file system first, then
// every mounted, ready file system that is not a pseudo file system, in
// mount order.

#include <QByteArray>
#include <QString>
#include <vector>

namespace corvane {

struct Drive {
  QByteArray root;      // the mount path
  QString description;  // the volume's label, else its file-system type
};

// One mounted file system as the system reports it.
struct MountedVolume {
  QByteArray root;
  QByteArray type;
  QString label;  // empty when it has none
};

// The mounted, ready volumes of this machine, as drives.
std::vector<Drive> ListDrives();

// "/" first, then each volume that is no pseudo file system, once, in the
// order given; the last volume mounted over a path describes it.
std::vector<Drive> DrivesOf(const std::vector<MountedVolume>& volumes);

// True for the kernel's own file systems (proc, sysfs, ...), which hold no
// user's files and are never listed.
bool IsPseudoFileSystem(const QByteArray& type);

}  // namespace corvane
