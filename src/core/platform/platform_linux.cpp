#include <sys/stat.h>
#include <unistd.h>

#include "core/platform/platform.h"

namespace corvane::platform {

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace corvane::platform
