#pragma once

// Header-only, since only tests that link the core use it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/child_reaper.h"
#include "core/run_command.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane::test {

// The NUL-terminated parts of `text`, in order.
inline std::vector<std::string> NulTerminated(const std::string& text) {
  std::vector<std::string> parts;
  for (std::size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos; at = end + 1) {
    parts.push_back(text.substr(at, end - at));
  }
  return parts;
}

// A process that holds `path` open as the shell redirection says until it
// goes.
struct Holder : QProcess {
  Holder(const std::string& redirection, const std::string& path) {
    start("sh",
          {"-c",
           QString::fromStdString("exec 3" + redirection + "\"$0\"; echo ready; exec sleep 120"),
           QString::fromStdString(path)});
    waitForReadyRead(60000);  // "ready" comes in one piece
  }
  ~Holder() override {
    kill();
    waitForFinished(60000);
  }
};

// The folder in/ and a point on it, checked every 7 seconds, whose command
// is waited for and appends each path it is handed, NUL-terminated, to
// `record`.
struct HotFolder : LoggingCore {
  HotFolder() {
    std::filesystem::create_directory(in);
    point.directory = in + "/";
    point.interval = 7;
    point.wait = 0;
    point.command = "sh -c 'printf \"%s\\0\" \"$1\" >> \"$0\"' " + record + " %File%";
  }
  // An empty file below in/, with the folders on its way.
  std::string Put(const std::string& name, mode_t mode = 0644) {
    const std::string path = in + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_EQ(::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, mode)), 0) << path;
    return path;
  }
  // The paths handed over since the last call, from the point's directory
  // down, sorted.
  std::vector<std::string> Handed() {
    std::vector<std::string> paths = NulTerminated(ReadFile(record));
    for (std::string& path : paths) path.erase(0, point.directory.size());
    std::sort(paths.begin(), paths.end());
    std::filesystem::remove(record);
    return paths;
  }

  TempDir dir;
  const std::string in = dir.File("in");
  const std::string record = dir.File("handled");
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
  ObservationPoint point;
};

}  // namespace corvane::test
