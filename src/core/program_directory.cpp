#include "core/program_directory.h"

#include <QCoreApplication>
#include <QDir>

#include "core/std_helpers.h"

namespace corvane {

std::string ProgramDirectory() {
  const QString exeDir = QCoreApplication::applicationDirPath();
  if (!exeDir.isEmpty()) {
    // Beside the executable (build tree, portable copy), then where an
    // installed executable keeps its data, wherever the tree was unpacked
    // or staged (DESTDIR), before the prefix it was built for.
    for (const QString& dir : {exeDir, QDir::cleanPath(exeDir + "/../share/corvane")}) {
      const std::string candidate = dir.toStdString();
      if (PathExists(candidate + "/english.lng")) return candidate;
    }
  }
  return CORVANE_DATA_DIR;
}

std::string ProgramFile(const std::string& name) {
  // A full path is taken as it is: joining it to the directory would name a
  // file that cannot exist.
  if (name.starts_with('/')) return name;
  return ProgramDirectory() + "/" + name;
}

}  // namespace corvane
