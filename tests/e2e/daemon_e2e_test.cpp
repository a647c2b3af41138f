// The real corvane in console mode, on a temporary observation file, with
// real commands, real signals and a real second daemon.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using corvane::test::ReadFile;

// Generous: the machine running the tests may be busy.
constexpr int kPatienceMs = 60000;

bool Eventually(const std::function<bool()>& condition) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!condition()) {
    if (elapsed.elapsed() > kPatienceMs) return false;
    QCoreApplication::processEvents();
    QThread::msleep(20);
  }
  return true;
}

int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// One corvane process; killed if a test leaves it running.
class Corvane {
 public:
  explicit Corvane(const std::vector<std::string>& args) {
    QStringList list;
    for (const std::string& arg : args) list << QString::fromStdString(arg);
    process_.start(QStringLiteral(CORVANE_EXE), list);
    // Running() reads the state, which would otherwise change only as the
    // event loop turns.
    EXPECT_TRUE(process_.waitForStarted(kPatienceMs));
    process_.closeWriteChannel();  // end of input must not stop it
  }
  ~Corvane() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(kPatienceMs);
    }
  }
  std::string Out() { return out_ += process_.readAllStandardOutput().toStdString(); }
  std::string Err() { return process_.readAllStandardError().toStdString(); }
  bool Says(const std::string& part, int times = 1) {
    return Eventually([&] { return Occurrences(Out(), part) >= times; });
  }
  bool Running() const { return process_.state() == QProcess::Running; }
  void Signal(int signalNumber) { ::kill(static_cast<pid_t>(process_.processId()), signalNumber); }
  // The exit code of an orderly end; -1 for a crash or no end at all.
  int Finished() {
    if (!process_.waitForFinished(kPatienceMs)) return -1;
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }

 private:
  QProcess process_;
  std::string out_;
};

class DaemonE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(in);
    fs::create_directory(out);
  }
  // One point on `directory` that runs `command` for every "*.txt"; by
  // default it waits for a move to out/.
  std::string ObservationFile(const std::string& directory, std::string command = "") {
    if (command.empty()) command = "<Command Wait=\"0\">mv %File% " + out + "/</Command>";
    return dir.Write("points.xml",
                     "<Corvane><Name>e2e</Name><Observation><Point><Name>drop</Name><Directory>" +
                         directory +
                         "</Directory><FilePattern>*.txt</FilePattern><Intervall>1</Intervall>" +
                         command + "</Point></Observation></Corvane>");
  }
  // Waits until the daemon logging to `log` holds its instance lock.
  static bool HoldsLock(const std::string& log) {
    return Eventually([&] { return ReadFile(log).find("registered.") != std::string::npos; });
  }
  // Whether a daemon holds the lock for `xml`: the lock file in the runtime
  // directory, named after the path without its slashes, is flocked.
  static bool Locked(const std::string& xml) {
    std::string name = "CorvaneApp_";
    for (char c : xml) {
      if (c != '/') name += c;
    }
    const std::string path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked;
  }

  corvane::test::TempDir dir;
  const std::string in = dir.File("in");
  const std::string out = dir.File("out");
};

TEST_F(DaemonE2eTest, FilesDroppedIntoTheDirectoryAreHandledAndLogged) {
  dir.Write("in/a.txt", "a");
  fs::create_directory(in + "/sub");
  dir.Write("in/sub/b.txt", "b");
  const std::string log = dir.File("corvane.log");
  Corvane daemon({"/XML", ObservationFile(in), "/Log", log});

  EXPECT_TRUE(daemon.Says("] drop: found 2 files in " + in + "/."));
  EXPECT_TRUE(fs::exists(out + "/a.txt"));
  EXPECT_TRUE(fs::exists(out + "/b.txt"));
  dir.Write("in/c.txt", "c");
  EXPECT_TRUE(daemon.Says("] drop: found 1 files in " + in + "/."));
  EXPECT_TRUE(fs::exists(out + "/c.txt"));

  const std::string logged = ReadFile(log);
  EXPECT_NE(logged.find("   Debug ] Executing 'mv " + in + "/sub/b.txt " + out + "/' (PID: "),
            std::string::npos);
  EXPECT_EQ(Occurrences(logged, "\n"), Occurrences(logged, "\r\n"));
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Finished(), 0);
}

TEST_F(DaemonE2eTest, StopSignalsTakeTheOrderlyStopAndFreeTheLock) {
  // A command left running must not keep the lock alive after the daemon.
  const std::string pids = dir.File("pids");
  const std::string xml =
      ObservationFile(in, "<Command>sh -c 'echo $$ >> " + pids + "; exec sleep 120'</Command>");
  dir.Write("in/a.txt", "a");
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    fs::remove(pids);
    const std::string log = dir.File("corvane" + std::to_string(signalNumber) + ".log");
    Corvane daemon({"/XML", xml, "/Log", log, "/runnow"});
    ASSERT_TRUE(HoldsLock(log)) << signalNumber;
    ASSERT_TRUE(Eventually([&] { return !ReadFile(pids).empty(); }));
    EXPECT_TRUE(Locked(xml));
    daemon.Signal(signalNumber);
    EXPECT_EQ(daemon.Finished(), 0) << signalNumber;
    EXPECT_FALSE(Locked(xml)) << signalNumber;
    std::istringstream started(ReadFile(pids));
    for (pid_t pid; started >> pid;) ::kill(pid, SIGKILL);
  }
}

TEST_F(DaemonE2eTest, OneDaemonPerObservationFileUnlessNic) {
  const std::string xml = ObservationFile(in);
  Corvane first({"/XML", xml, "/Log", dir.File("first.log")});
  ASSERT_TRUE(HoldsLock(dir.File("first.log")));

  Corvane refused({"/XML", xml});
  EXPECT_EQ(refused.Finished(), 1);
  EXPECT_NE(refused.Err().find("Corvane: The daemon for '" + xml +
                               "' seems already to be running.\n"
                               "Having multiple instances of one daemon is no good idea!\n"
                               "The daemon will quit now.\n"),
            std::string::npos);
  EXPECT_TRUE(first.Running());

  const std::string alongLog = dir.File("along.log");
  Corvane along({"/XML", xml, "/NIC", "/runnow", "/Log", alongLog});
  EXPECT_TRUE(along.Says("Warning ] Having multiple instances of one daemon is no good idea!"));
  EXPECT_NE(along.Out().find("Warning ] The daemon for '" + xml + "' seems already to be running."),
            std::string::npos);
  EXPECT_TRUE(Eventually(
      [&] { return ReadFile(alongLog).find("no new files found") != std::string::npos; }));
  EXPECT_TRUE(along.Running());
  EXPECT_TRUE(first.Running());

  // A daemon that dies without its orderly stop leaves no lock behind.
  first.Signal(SIGKILL);
  EXPECT_EQ(first.Finished(), -1);
  Corvane next({"/XML", xml, "/Log", dir.File("next.log")});
  EXPECT_TRUE(HoldsLock(dir.File("next.log")));
  for (Corvane* daemon : {&along, &next}) {
    daemon->Signal(SIGTERM);
    EXPECT_EQ(daemon->Finished(), 0);
  }
}

TEST_F(DaemonE2eTest, AMissingDirectoryIsReportedOnEveryTickUntilItAppears) {
  const std::string later = dir.File("later");
  Corvane daemon({"/XML", ObservationFile(later)});
  EXPECT_TRUE(
      daemon.Says("  Error ] modMain::fCheckPoints: Directory not found: " + later + "/", 2));
  EXPECT_TRUE(daemon.Says("  Error ] Observation error! Please check the daemon settings.", 2));

  fs::create_directory(later);
  dir.Write("later/x.txt", "x");
  EXPECT_TRUE(daemon.Says("] drop: found 1 files in " + later + "/."));
  EXPECT_TRUE(fs::exists(out + "/x.txt"));
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Finished(), 0);
}

}  // namespace
