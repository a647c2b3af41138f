#pragma once

// The "drives" of the directory modes: the root file system first, then
// every mounted, ready file system that is not a pseudo file system, in
// mount order.

#include <QByteArray>
#include <QString>
#include <vector>

namespace corvane {

struct Drive {
  QByteArray root;      // the mount path, its bytes as the system has them
  QString description;  // the volume's label, else its file-system type
};

std::vector<Drive> ListDrives();

// True for the kernel's own file systems (proc, sysfs, ...), which hold no
// user's files and are never listed.
bool IsPseudoFileSystem(const QByteArray& type);

}  // namespace corvane
