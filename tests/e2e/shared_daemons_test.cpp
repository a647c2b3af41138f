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
const char* const kFilesAsked = std::getenv("CORVANE_SHARED_TEST_FILES");
const int kFiles = kFilesAsked && std::atoi(kFilesAsked) > 0 ? std::atoi(kFilesAsked) : 10000;
constexpr int kStaleSeconds = 5;
// Only against a hang: four daemons under the sanitizers on a busy machine.
constexpr auto kPatience = std::chrono::minutes(8);

// Appended, not joined: the optimiser's overlap warning misreads a join here.
std::string FileName(int number) {
  return std::string("f").append(std::to_string(number)).append(".txt");
}

bool WaitUntil(const std::function<bool()>& condition) {
  for (const auto deadline = Clock::now() + kPatience; !condition(); QThread::msleep(200))
    if (Clock::now() > deadline) return false;
  return true;
}

std::vector<std::string> Names(const std::string& directory) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(directory, ec))
    names.push_back(entry.path().filename().string());
  return names;
}

// The pids of a process's children.
std::vector<pid_t> Children(pid_t parent) {
  std::vector<pid_t> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string stat = ReadFile(entry.path().string() + "/stat");
    int ppid = 0;
    // The state and the parent follow the name in parentheses; a file that
    // is none (npos + 1 is 0) gives no parent.
    std::sscanf(stat.c_str() + stat.rfind(')') + 1, " %*c %d", &ppid);
    if (ppid == parent) children.push_back(std::stoi(entry.path().filename()));
  }
  return children;
}

// One corvane in console mode with its own settings, runtime and cache
// directories below `home`; its output goes to `home`/log.
struct Daemon {
  Daemon(const std::string& home, const std::string& id, const std::string& xml)
      : id(id), log(home + "/log") {
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
    settings.setValue("Shared.StaleSeconds", kStaleSeconds);
    settings.sync();
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardOutputFile(QString::fromStdString(log));
    process.start(QStringLiteral(CORVANE_EXE), {"/XML", QString::fromStdString(xml), "/Console"});
    if (!process.waitForStarted()) ADD_FAILURE() << id << " did not start";
  }
  ~Daemon() {
    if (process.state() == QProcess::NotRunning) return;
    ::kill(Pid(), SIGTERM);
    if (!process.waitForFinished(20000)) process.kill();
    process.waitForFinished();
  }
  pid_t Pid() const { return static_cast<pid_t>(process.processId()); }

  const std::string id, log;
  QProcess process;
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
  // Four daemons on the folder. The first one's commands outlast the stale
  // limit: only the beats of its timer while it waits keep the others from
  // taking its file. The last one's take 200 ms.
  SharedDaemonsTest() {
    fs::create_directory(out);
    // Each file holds its name, so that a file found in a claim folder
    // tells its name whatever the claim folder calls it.
    for (int f = 0; f < kFiles; ++f) std::ofstream(hot + "/" + FileName(f)) << FileName(f);
    for (const std::string delayMs : {"12000", "0", "0", "200"}) {
      const std::string id = "daemon-" + std::to_string(daemons.size() + 1);
      const std::string point =
          PointXml(hot, 1,
                   "<Name>shared</Name><Shared>Yes</Shared><Command Wait=\"0\">" HAND_OVER_RECORDER
                   " --delay-ms=" +
                       delayMs + " " + out + " %FileName% %File%</Command>");
      const std::string xml = dir.Write(id + ".xml", ObservationXml("shared", {point}));
      daemons.push_back(std::make_unique<Daemon>(dir.File(id), id, xml));
    }
  }
  ~SharedDaemonsTest() override {
    daemons.clear();
    std::error_code ignored;
    fs::remove_all(hot, ignored);
  }

  int Records() const { return static_cast<int>(Names(out).size()) - fs::exists(duplicates); }

  // The id of the daemon whose claim folder `claimedPath` is in; "" when
  // it is in none.
  std::string ClaimedBy(const std::string& claimedPath) const {
    const fs::path folder = fs::path(claimedPath).parent_path();
    return folder.parent_path() == claims ? folder.filename().string() : "";
  }

  TempDir dir;
  const std::string hot = NewHotFolder(dir);
  const std::string claims = hot + "/.corvane/claims";
  const std::string out = dir.File("out");
  const std::string duplicates = out + "/duplicates";
  std::vector<std::unique_ptr<Daemon>> daemons;
};

// One daemon is killed together with the command it was running, as when
// its machine goes down. Its commands are slow, so that it is nearly always
// caught holding a file. A file it held goes back after the stale limit and
// another daemon handles it; only that file may be handed over twice, and
// every other file is handed over exactly once.
TEST_F(SharedDaemonsTest, FourDaemonsHandleEveryFileOnceThoughOneIsKilled) {
  Daemon& victim = *daemons.back();
  const std::string victimClaims = claims + "/" + victim.id;
  ASSERT_TRUE(WaitUntil([&] { return Records() >= kFiles / 4; }));
  // Stopped, with its commands, until it holds a file.
  std::set<std::string> held;
  std::vector<pid_t> children;
  while (held.empty() && Records() < kFiles * 9 / 10) {
    ::kill(victim.Pid(), SIGSTOP);
    children = Children(victim.Pid());
    for (pid_t child : children) ::kill(child, SIGSTOP);
    for (const std::string& name : Names(victimClaims))
      held.insert(ReadFile(victimClaims + "/" + name));
    if (!held.empty()) break;
    for (pid_t child : children) ::kill(child, SIGCONT);
    ::kill(victim.Pid(), SIGCONT);
    // It runs between looks: stopped most of the time on a busy machine, it
    // would never get past its scan of the folder to a claim.
    QThread::msleep(25);
  }
  ASSERT_FALSE(held.empty()) << victim.id << " was never caught holding a file";
  for (pid_t child : children) ::kill(child, SIGKILL);
  ::kill(victim.Pid(), SIGKILL);
  victim.process.waitForFinished();
  held.erase("");  // a side file, or one the recorder was removing
  // With waited commands a point claims one file at a time.
  EXPECT_LE(held.size(), 1u);

  // Every file handed over, none left in the hot folder or a claim folder.
  const auto claimed = [&] {
    int count = 0;
    for (const std::string& id : Names(claims)) count += Names(claims + "/" + id).size();
    return count;
  };
  EXPECT_TRUE(WaitUntil([&] {
    return Records() == kFiles && Names(hot) == std::vector<std::string>{".corvane"} &&
           claimed() == 0;
  })) << Records()
      << " records, " << Names(hot).size() << " in the hot folder, " << claimed() << " claimed";
  for (int f = 0; f < kFiles; ++f)
    ASSERT_TRUE(fs::exists(out + "/" + FileName(f))) << FileName(f) << " never handed over";
  // Each command got the path in its own daemon's claim folder. The last
  // hand-over of each file is by the daemon whose claim folder that was.
  std::map<std::string, std::string> lastBy;
  std::map<std::string, int> handled;  // by daemon; "" for paths outside the claim folders
  const auto handedOver = [&](const std::string& name, const std::string& path) {
    ++handled[lastBy[name] = ClaimedBy(path)];
  };
  for (const std::string& name : Names(out))
    if (name != "duplicates") handedOver(name, ReadFile(out + "/" + name));
  std::istringstream twice(ReadFile(duplicates));  // "NAME<tab>CLAIMED" lines
  int duplicated = 0;
  for (std::string name, path; std::getline(twice, name, '\t') && std::getline(twice, path);) {
    EXPECT_TRUE(held.contains(name) && ++duplicated == 1) << name << " handed over twice";
    handedOver(name, path);
  }
  EXPECT_EQ(handled[""], 0) << "commands that got a path outside the claim folders";
  for (const auto& daemon : daemons)
    EXPECT_TRUE(daemon.get() == &victim || handled[daemon->id] > 0) << daemon->id;
  // Each file the killed one held was handed over (again) by another.
  for (const std::string& name : held) EXPECT_NE(lastBy[name], victim.id) << name;
  // The others tell of it, and no daemon of an error.
  bool warned = false;
  for (const auto& daemon : daemons) {
    std::istringstream log(ReadFile(daemon->log));
    for (std::string line; std::getline(log, line);) {
      warned |= daemon.get() != &victim && line.find("Warning ]") != line.npos &&
                line.find(victim.id) != line.npos;
      EXPECT_EQ(line.find("Error ]"), line.npos) << daemon->id << ": " << line;
    }
  }
  EXPECT_TRUE(warned) << "no Warning names " << victim.id;
}

}  // namespace
}  // namespace corvane::test
