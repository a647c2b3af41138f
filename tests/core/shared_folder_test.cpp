#include "core/shared_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <set>

#include "core/daemon_id.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Outcome = SharedFolder::ClaimOutcome;

SharedFolder OpenShared(const test::TempDir& dir, const std::string& id,
                        std::function<bool()> stopRequested = {}) {
  platform::Result<SharedFolder> folder = SharedFolder::Open(dir.path(), id, stopRequested);
  if (!folder) throw std::runtime_error(folder.error().text);
  return *std::move(folder);
}

// Every file below `root` but the claim machinery, by relative path.
std::multiset<std::string> FilesBelow(const std::string& root) {
  std::multiset<std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
    if (it->path().filename() == kSharedFolderName) it.disable_recursion_pending();
    if (it->is_regular_file()) files.insert(fs::relative(it->path(), root).string());
  }
  return files;
}

void SetAge(const std::string& path, std::chrono::seconds age) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

TEST(DaemonId, IsOneSafeFileNameAndTellsObservationFilesApart) {
  const std::string longName(300, 'x');
  for (const std::string& host : {std::string(".host/a\n\xff"), longName}) {
    const std::string id = DaemonId(host, "/srv/" + longName + ".xml");
    EXPECT_TRUE(CheckedDaemonId(id)) << id;
    EXPECT_NE(id, DaemonId(host, "/srv/" + longName + "2.xml"));
  }
  for (const std::string& bad : {std::string(), std::string("a/b"), std::string(".a"),
                                 std::string("a\nb"), std::string(kMaxDaemonIdBytes + 1, 'a')})
    EXPECT_FALSE(CheckedDaemonId(bad)) << bad;
}

// The folder's own structure is taken only as real directories, and the
// claim folder only when it is this daemon's. Only files below the hot
// folder are claimed, never through a link; a file gone already was won by
// another daemon.
TEST(SharedFolder, RefusesLinksForeignClaimFoldersAndPathsOutsideTheHotFolder) {
  // A link as the folder, a file as the claim folder, and, since only root
  // can give a folder away, a claim folder of another owner.
  for (int plant = 0; plant < (::geteuid() == 0 ? 3 : 2); ++plant) {
    test::TempDir dir;
    if (plant == 0) fs::create_directory_symlink(dir.path(), dir.File(".corvane"));
    if (plant > 0) fs::create_directories(dir.File(plant == 1 ? ".corvane" : ".corvane/claims/me"));
    if (plant == 1) dir.Write(".corvane/claims", "");
    ASSERT_TRUE(plant != 2 || ::chown(dir.File(".corvane/claims/me").c_str(), 1, -1) == 0);
    EXPECT_FALSE(SharedFolder::Open(dir.path(), "me")) << plant;
  }
  test::TempDir dir, elsewhere;
  elsewhere.Write("x", "");
  fs::create_directory_symlink(elsewhere.path(), dir.File("link"));
  SharedFolder folder = OpenShared(dir, "me");
  EXPECT_EQ(folder.Claim("gone.txt")->outcome, Outcome::TakenByOther);
  for (const char* path : {"link/x", "../x", "a//x", ".corvane/heartbeats/me", "/x"})
    EXPECT_FALSE(folder.Claim(path)) << path;
  EXPECT_TRUE(fs::exists(elsewhere.File("x")));
}

// Whatever bytes a path holds and however deep it is, the claimed file sits
// directly in the claim folder under one plain name, and goes back to where
// it was, its sub-folder made again when it went meanwhile.
TEST(SharedFolder, ClaimsAndReturnsAnyPath) {
  std::string deep;
  for (int i = 0; i < 20; ++i) deep += "folder" + std::to_string(i) + "/";
  for (const std::string& path :
       {std::string("plain.txt"), std::string("a/b/line\nbreak.txt"),
        std::string("sub/bad\xff\xfe%41.bin"), deep + std::string(250, '\xe4') + ".pdf"}) {
    test::TempDir dir;
    fs::create_directories(fs::path(dir.File(path)).parent_path());
    dir.Write(path, path);
    SharedFolder folder = OpenShared(dir, "me");
    platform::Result<SharedFolder::ClaimResult> claim = folder.Claim(path);
    ASSERT_TRUE(claim && claim->outcome == Outcome::Claimed) << path;
    const std::string name = fs::path(claim->claimedPath).filename();
    EXPECT_TRUE(std::ranges::all_of(name, [](char c) { return c >= ' ' && c < 0x7f; })) << name;
    EXPECT_EQ(
        std::tuple(claim->claimedPath, test::ReadFile(claim->claimedPath), *folder.HeldFiles()),
        std::tuple(folder.claimFolder() + "/" + name, path, std::vector{path}));
    fs::remove_all(dir.File(path.substr(0, path.find('/'))));
    platform::Result<std::string> back = folder.Return(claim->claimedPath);
    ASSERT_TRUE(back) << back.error().text;
    EXPECT_EQ(std::tuple(*back, test::ReadFile(dir.File(path)), fs::is_empty(folder.claimFolder())),
              std::tuple(path, path, true));
  }
}

TEST(SharedFolder, ClaimAndReturnNeverOverwrite) {
  for (const std::string& name : {std::string("r.txt"), std::string(251, 'r') + ".txt"}) {
    test::TempDir dir;
    SharedFolder folder = OpenShared(dir, "me");
    dir.Write(name, "first");
    for (const char* suffix : {" (2).txt", " (3).txt"}) {
      const std::string claimed = folder.Claim(name)->claimedPath;
      dir.Write(name, "later");
      EXPECT_EQ(folder.Claim(name)->outcome, Outcome::AlreadyHeld);
      platform::Result<std::string> back = folder.Return(claimed);
      ASSERT_TRUE(back) << back.error().text;
      EXPECT_TRUE(back->ends_with(suffix)) << *back;
    }
    EXPECT_EQ(std::tuple(FilesBelow(dir.path()).size(), test::ReadFile(dir.File(name))),
              std::tuple(3u, "later"));
  }
}

TEST(SharedFolder, RestartedDaemonReturnsItsOwnClaims) {
  test::TempDir dir;
  dir.Write("one", "");
  fs::create_directories(dir.File("sub"));
  dir.Write("sub/two", "");
  ASSERT_EQ(OpenShared(dir, "me").Claim("one")->outcome, Outcome::Claimed);
  ASSERT_EQ(OpenShared(dir, "me").Claim("sub/two")->outcome, Outcome::Claimed);
  // A long name whose claim was undone by hand can be claimed again.
  const std::string longName(200, '\n');
  dir.Write(longName, "");
  fs::rename(OpenShared(dir, "me").Claim(longName)->claimedPath, dir.File(longName));
  EXPECT_EQ(*OpenShared(dir, "me").ReturnAllOwn(), 2u);
  EXPECT_EQ(FilesBelow(dir.path()), (std::multiset<std::string>{"one", "sub/two", longName}));
  EXPECT_EQ(OpenShared(dir, "me").Claim(longName)->outcome, Outcome::Claimed);
}

// Two running daemons never go by one id in one folder: the second is
// refused until the first has gone, and another id is not held up.
TEST(SharedFolder, AnIdInUseByAnotherProcessIsRefused) {
  test::TempDir dir;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(SharedFolder::Open(dir.path(), "me") && ::raise(SIGSTOP) == 0 ? 0 : 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
  const bool held = WIFSTOPPED(status);  // the child stops holding the id
  const platform::Result<SharedFolder> second = SharedFolder::Open(dir.path(), "me");
  const bool otherId = static_cast<bool>(SharedFolder::Open(dir.path(), "other"));
  ::kill(child, SIGKILL);
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(held && !second);
  EXPECT_EQ(std::tuple(second.error().text.find("goes by the id me") != std::string::npos, otherId,
                       static_cast<bool>(SharedFolder::Open(dir.path(), "me"))),
            std::tuple(true, true, true));
}

// A daemon whose heartbeat is old on the server's clock has its files put
// back; a live one keeps them, and what is no claimed file stays. Two
// finders that race to return them return each once: every file is back in
// its place once, so none was lost or doubled. (The daemons' own race to
// claim is the shared daemons' end-to-end test's.)
TEST(SharedFolder, FindersReturnEachFileOfDeadDaemonsOnceAndNoneOfLiveOnes) {
  test::TempDir dir;
  for (int i = 0; i < 1000; ++i) dir.Write(std::string("f").append(std::to_string(i)), "");
  const std::multiset<std::string> all = FilesBelow(dir.path());
  dir.Write("live1", "");
  SharedFolder dead[] = {OpenShared(dir, "dead"), OpenShared(dir, "dead2")};
  SharedFolder live = OpenShared(dir, "live"), a = OpenShared(dir, "a"), b = OpenShared(dir, "b");
  int turn = 0;
  for (const std::string& path : all) ASSERT_TRUE(dead[turn++ % 2].Claim(path));
  ASSERT_TRUE(live.Claim("live1"));
  fs::create_symlink("f1", dir.File(".corvane/claims/dead/link"));
  ASSERT_EQ(::mkfifo(dir.File(".corvane/claims/dead/fifo").c_str(), 0600), 0);
  dir.Write(".corvane/claims/dead/..%2F..%2Fescaped", "");
  for (const char* id : {"dead", "dead2"}) SetAge(dir.File(".corvane/heartbeats/") + id, 3600s);
  SetAge(dir.File(".corvane/heartbeats/live"), 60s);
  ASSERT_TRUE(a.Beat() && b.Beat());
  EXPECT_EQ(*a.AliveDaemons(120s), (std::vector<std::string>{"a", "b", "live"}));
  std::future other = std::async(std::launch::async, [&a] { return a.ReturnStale(120s); });
  const auto mine = b.ReturnStale(120s), theirs = other.get();
  std::map<std::string, std::size_t> returned;  // by daemon
  for (const auto* reports : {&mine, &theirs})
    for (const SharedFolder::StaleReturn& report : **reports)
      returned[report.daemonId] += report.returned;
  EXPECT_EQ(std::tuple(FilesBelow(dir.path()), returned, *live.HeldFiles()),
            std::tuple(all, std::map<std::string, std::size_t>{{"dead", 500}, {"dead2", 500}},
                       std::vector<std::string>{"live1"}));
  for (const char* left : {"link", "fifo", "..%2F..%2Fescaped"})
    EXPECT_TRUE(fs::exists(fs::symlink_status(dir.File(".corvane/claims/dead/") + left))) << left;
}

// Asked once per daemon and once per file, the stop ends a walk early.
TEST(SharedFolder, StopsReturningBetweenFiles) {
  test::TempDir dir;
  for (const char* name : {"a", "b", "c"}) dir.Write(name, "");
  SharedFolder dead = OpenShared(dir, "dead");
  for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(dead.Claim(name));
  SetAge(dir.File(".corvane/heartbeats/dead"), 10s);
  int budget = 2;
  const auto stop = [&budget] { return budget-- <= 0; };
  SharedFolder finder = OpenShared(dir, "finder", stop);
  ASSERT_TRUE(finder.Beat());
  EXPECT_EQ(finder.ReturnStale(1s)->front().returned, 1u);
  budget = 1;
  EXPECT_EQ(*OpenShared(dir, "dead", stop).ReturnAllOwn(), 1u);
}

}  // namespace
}  // namespace corvane
