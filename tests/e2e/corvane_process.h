#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "support/event_loop.h"

namespace corvane::test {

// Generous: the machine running the tests may be busy.
inline constexpr int kPatienceMs = 20000;

inline int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// One corvane process. `input` is written to its stdin, which is then
// closed; without input (nullopt) stdin stays open for Type. A descriptor
// limit other than 0 is set in the child alone.
class CorvaneProcess {
 public:
  explicit CorvaneProcess(const std::vector<std::string>& args,
                          const std::optional<std::string>& input = "",
                          rlim_t descriptorLimit = 0) {
    QStringList list;
    for (const std::string& arg : args) list << QString::fromStdString(arg);
    if (descriptorLimit > 0) {
      process_.setChildProcessModifier([descriptorLimit] {
        const rlimit limit{descriptorLimit, descriptorLimit};
        ::setrlimit(RLIMIT_NOFILE, &limit);
      });
    }
    process_.start(QStringLiteral(CORVANE_EXE), list);
    if (!process_.waitForStarted(kPatienceMs)) {
      ADD_FAILURE() << "corvane did not start: " << process_.errorString().toStdString();
    }
    if (input) {
      Type(*input);
      process_.closeWriteChannel();
    }
  }
  ~CorvaneProcess() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(kPatienceMs);
  }

  void Type(const std::string& text) {
    process_.write(text.data(), static_cast<qint64>(text.size()));
  }
  const std::string& Out() { return out_ += process_.readAllStandardOutput().toStdString(); }
  const std::string& Err() { return err_ += process_.readAllStandardError().toStdString(); }
  bool Says(const std::string& part, int times = 1) {
    return Eventually([&] { return Occurrences(Out(), part) >= times; });
  }
  bool Running() {
    QCoreApplication::processEvents();  // the state follows as events are handled
    return process_.state() == QProcess::Running;
  }
  pid_t Pid() const { return static_cast<pid_t>(process_.processId()); }
  void Signal(int signalNumber) {
    ASSERT_GT(Pid(), 0);  // never 0: that would signal the whole process group
    ::kill(Pid(), signalNumber);
  }
  // The exit code of an orderly end; -1 for a crash or no end in time.
  int Finished() {
    if (!process_.waitForFinished(kPatienceMs)) return -1;
    Out();
    Err();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }

 private:
  QProcess process_;
  std::string out_;
  std::string err_;
};

}  // namespace corvane::test
