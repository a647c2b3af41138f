// Several daemons, each a process with settings and an id of its own, on one
// shared hot folder. Every file's command is the hand-over recorder, which
// records the file's name (holding the path the command got) and removes the
// file; a second hand-over of a name is recorded as a duplicate.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QProcess>
#include <QSettings>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/settings.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Fewer with $CORVANE_SHARED_TEST_FILES, for a slow network mount.
const int kFiles = [] {
  const char* files = std::getenv("CORVANE_SHARED_TEST_FILES");
  return files != nullptr && std::atoi(files) > 0 ? std::atoi(files) : 10000;
}();
constexpr int kDaemons = 4;
// Only against a hang: four daemons under the sanitizers on a busy machine.
constexpr auto kPatience = std::chrono::minutes(8);

// Appended, not joined: the optimiser's overlap warning misreads a join here.
std::string FileName(int number) {
  std::string name = "f";
  name += std::to_string(number);
  name += ".txt";
  return name;
}

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = Clock::now() + kPatience;
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    QThread::msleep(200);
  }
  return true;
}

std::vector<std::string> Names(const std::string& directory) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(directory, ec)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// The command lines of a process's children.
std::vector<std::vector<std::string>> ChildCommands(pid_t parent) {
  std::vector<std::vector<std::string>> commands;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string stat = ReadFile(entry.path().string() + "/stat");
    int ppid = 0;
    if (const auto close = stat.rfind(')'); close != std::string::npos) {
      std::sscanf(stat.c_str() + close + 1, " %*c %d", &ppid);
    }
    if (ppid != parent) continue;
    std::vector<std::string>& args = commands.emplace_back();
    std::istringstream cmdline(ReadFile(entry.path().string() + "/cmdline"));
    for (std::string arg; std::getline(cmdline, arg, '\0');) args.push_back(arg);
    args.push_back(entry.path().filename().string());  // last: the pid
  }
  return commands;
}

// One corvane in console mode with its own settings, runtime and cache
// directories below `home`; its output goes to `home`/log.
class Daemon {
 public:
  Daemon(const std::string& home, const std::string& id, const std::string& xml, int staleSeconds)
      : id_(id), log_(home + "/log") {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* var :
         {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
      const std::string dir = home + "/" + var;
      fs::create_directories(dir);
      fs::permissions(dir, fs::perms::owner_all);
      env.insert(var, QString::fromStdString(dir));
    }
    // The test's own settings file, moved to this daemon's home.
    const fs::path settingsFile = fs::path(home) / "XDG_CONFIG_HOME" /
                                  fs::relative(SettingsFile(), std::getenv("XDG_CONFIG_HOME"));
    QSettings settings(QString::fromStdString(settingsFile.string()), QSettings::IniFormat);
    settings.setValue("Shared.DaemonId", QString::fromStdString(id));
    settings.setValue("Shared.StaleSeconds", staleSeconds);
    settings.sync();
    process_.setProcessEnvironment(env);
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(QString::fromStdString(log_));
    process_.start(QStringLiteral(CORVANE_EXE), {"/XML", QString::fromStdString(xml), "/Console"});
    if (!process_.waitForStarted()) ADD_FAILURE() << id << " did not start";
  }
  ~Daemon() {
    if (process_.state() == QProcess::NotRunning) return;
    ::kill(Pid(), SIGTERM);
    if (!process_.waitForFinished(20000)) process_.kill();
    process_.waitForFinished();
  }
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  const std::string& id() const { return id_; }
  pid_t Pid() const { return static_cast<pid_t>(process_.processId()); }
  std::string Log() const { return ReadFile(log_); }
  void Kill() {
    ::kill(Pid(), SIGKILL);
    process_.waitForFinished();
  }

 private:
  std::string id_;
  std::string log_;
  QProcess process_;
};

// The hot folder: below $CORVANE_SHARED_TEST_DIR when that is set (to try
// a network file system's mount), else below `dir`.
std::string NewHotFolder(const TempDir& dir) {
  const char* base = std::getenv("CORVANE_SHARED_TEST_DIR");
  std::string pattern = (base != nullptr && *base ? std::string(base) : dir.path()) + "/hot-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed: " + pattern);
  return pattern;
}

class SharedDaemonsTest : public ::testing::Test {
 protected:
  SharedDaemonsTest() {
    fs::create_directory(out);
    // Each file holds its name, so that a file found in a claim folder
    // tells its name whatever the claim folder calls it.
    for (int f = 0; f < kFiles; ++f) {
      std::ofstream(hot + "/" + FileName(f)) << FileName(f);
    }
  }

  // The last daemon's recorder waits `lastDelayMs` before it records.
  void StartDaemons(int staleSeconds, int lastDelayMs = 0) {
    for (int d = 1; d <= kDaemons; ++d) {
      const std::string id = "daemon-" + std::to_string(d);
      const int delay = d == kDaemons ? lastDelayMs : 0;
      const std::string point =
          PointXml(hot, 1,
                   "<Name>shared</Name><Shared>Yes</Shared><Command Wait=\"0\">" HAND_OVER_RECORDER
                   " --delay-ms=" +
                       std::to_string(delay) + " " + out + " %FileName% %File%</Command>");
      const std::string xml = dir.Write(id + ".xml", ObservationXml("shared", {point}));
      daemons.push_back(std::make_unique<Daemon>(dir.File(id), id, xml, staleSeconds));
    }
  }

  std::string ClaimFolder(const std::string& id) const { return claims + "/" + id; }

  int FilesClaimed() const {
    int count = 0;
    for (const std::string& id : Names(claims)) count += Names(ClaimFolder(id)).size();
    return count;
  }

  int Records() const { return static_cast<int>(Names(out).size()) - fs::exists(duplicates); }

  // Every file handed over, none left in the hot folder or a claim folder.
  void ExpectAllHandled() {
    const bool done = WaitUntil([&] {
      return Records() == kFiles && Names(hot) == std::vector<std::string>{".corvane"} &&
             FilesClaimed() == 0;
    });
    EXPECT_TRUE(done) << Records() << " records, " << Names(hot).size() << " in the hot folder, "
                      << FilesClaimed() << " claimed";
    for (int f = 0; f < kFiles; ++f) {
      ASSERT_TRUE(fs::exists(out + "/" + FileName(f))) << FileName(f) << " never handed over";
    }
  }

  // The id of the daemon whose claim folder `claimedPath` is in; "" when
  // it is in none.
  std::string ClaimedBy(const std::string& claimedPath) const {
    for (const auto& daemon : daemons) {
      if (claimedPath.starts_with(ClaimFolder(daemon->id()) + "/")) return daemon->id();
    }
    return {};
  }

  // Name and claimed path of each second hand-over.
  std::vector<std::pair<std::string, std::string>> Duplicates() const {
    std::vector<std::pair<std::string, std::string>> lines;
    std::istringstream text(ReadFile(duplicates));
    for (std::string name, claimed; std::getline(text, name, '\t') && std::getline(text, claimed);)
      lines.emplace_back(name, claimed);
    return lines;
  }

  ~SharedDaemonsTest() override {
    daemons.clear();
    std::error_code ignored;
    fs::remove_all(hot, ignored);
  }

  TempDir dir;
  const std::string hot = NewHotFolder(dir);
  const std::string claims = hot + "/.corvane/claims";
  const std::string out = dir.File("out");
  const std::string duplicates = out + "/duplicates";
  std::vector<std::unique_ptr<Daemon>> daemons;
};

TEST_F(SharedDaemonsTest, FourDaemonsHandleEveryFileExactlyOnce) {
  StartDaemons(60);
  ExpectAllHandled();
  const auto twice = Duplicates();
  EXPECT_TRUE(twice.empty()) << twice.size() << " hand-overs of a name handed over before, as "
                             << twice.front().first;
  // Each command got the path in its own daemon's claim folder, and every
  // daemon had its share.
  std::map<std::string, int> handled;
  for (const std::string& name : Names(out)) {
    if (name != "duplicates") ++handled[ClaimedBy(ReadFile(out + "/" + name))];
  }
  for (const auto& daemon : daemons) EXPECT_GT(handled[daemon->id()], 0) << daemon->id();
  EXPECT_EQ(handled[""], 0) << "commands that got a path outside the claim folders";
}

// The daemon dies together with the command it was running, as when its
// machine goes down. Its commands are slow, so that it is nearly always
// caught holding a file. A file it held goes back after the stale limit and
// another daemon handles it; only a file whose command was running may be
// handed over twice.
TEST_F(SharedDaemonsTest, FilesOfAKilledDaemonAreHandledByTheOthers) {
  constexpr int kStaleSeconds = 5;
  StartDaemons(kStaleSeconds, 200);
  Daemon& victim = *daemons.back();
  ASSERT_TRUE(WaitUntil([&] { return Records() >= kFiles / 4; }));
  // Stopped, with its commands, until it holds a file.
  std::set<std::string> held;
  std::set<std::string> running;
  std::vector<std::vector<std::string>> commands;
  while (held.empty() && Records() < kFiles * 9 / 10) {
    ::kill(victim.Pid(), SIGSTOP);
    commands = ChildCommands(victim.Pid());
    for (const auto& command : commands) ::kill(std::stoi(command.back()), SIGSTOP);
    for (const std::string& name : Names(ClaimFolder(victim.id()))) {
      held.insert(ReadFile(ClaimFolder(victim.id()) + "/" + name));
    }
    if (!held.empty()) break;
    for (const auto& command : commands) ::kill(std::stoi(command.back()), SIGCONT);
    ::kill(victim.Pid(), SIGCONT);
    // It runs between looks: stopped most of the time on a busy machine, it
    // would never get past its scan of the folder to a claim.
    QThread::msleep(25);
  }
  ASSERT_FALSE(held.empty()) << victim.id() << " was never caught holding a file";
  for (const auto& command : commands) {
    ::kill(std::stoi(command.back()), SIGKILL);
    // A child caught before it became the recorder ran no command yet.
    if (command.size() == 6 && command[0].ends_with("hand_over_recorder")) {
      running.insert(command[3]);  // recorder DELAY OUT NAME CLAIMED, then the pid
    }
  }
  victim.Kill();
  held.erase("");  // a side file, or one the recorder was removing

  ExpectAllHandled();
  // With waited commands a point runs one command at a time; only its file
  // may have been handed over twice, and only once more.
  EXPECT_LE(running.size(), 1u);
  EXPECT_LE(Duplicates().size(), running.size());
  for (const auto& [name, claimed] : Duplicates()) {
    EXPECT_TRUE(running.contains(name)) << name << " handed over twice";
  }
  // Each file it held was handed over (again) by another daemon.
  for (const std::string& name : held) {
    std::string handler = ClaimedBy(ReadFile(out + "/" + name));
    for (const auto& [twice, claimed] : Duplicates()) {
      if (twice == name) handler = ClaimedBy(claimed);
    }
    EXPECT_NE(handler, victim.id()) << name << " left to the killed daemon";
    EXPECT_NE(handler, "") << name;
  }
  bool warned = false;
  for (const auto& daemon : daemons) {
    std::istringstream log(daemon.get() == &victim ? "" : daemon->Log());
    for (std::string line; std::getline(log, line);) {
      warned |= line.find("Warning ]") != std::string::npos &&
                line.find(victim.id()) != std::string::npos;
    }
  }
  EXPECT_TRUE(warned) << "no Warning names " << victim.id();
}

}  // namespace
}  // namespace corvane::test
