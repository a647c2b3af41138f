#include "core/program_directory.h"

#include <QCoreApplication>

#include "core/std_helpers.h"

namespace corvane {

std::string ProgramDirectory() {
  const std::string exeDir = QCoreApplication::applicationDirPath().toStdString();
  if (!exeDir.empty() && PathExists(exeDir + "/english.lng")) return exeDir;
  return CORVANE_DATA_DIR;
}

std::string ProgramFile(const std::string& name) {
  // A full path is taken as it is: joining it to the directory would name a
  // file that cannot exist.
  if (name.starts_with('/')) return name;
  return ProgramDirectory() + "/" + name;
}

}  // namespace corvane
