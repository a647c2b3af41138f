#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDateTime>
#include <filesystem>

#include "core/child_reaper.h"
#include "core/daemon_controller.h"
#include "core/run_command.h"
#include "journal/journal_reader.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "support/test_journal.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;
using namespace journal;

// The journal's rows as another process reads them.
std::vector<HandOver> ReadRows(const std::string& file, const Filter& filter = {}) {
  auto rows = ReadHandOvers(file, filter);
  return rows ? *rows : std::vector<HandOver>{};
}

std::unique_ptr<JournalWriter> OpenJournal(const std::string& file, int keepDays = 30) {
  auto opened = JournalWriter::Open({file, keepDays, {}});
  return opened ? std::move(opened->writer) : nullptr;
}

class JournalTest : public ::testing::Test, protected LoggingCore {
 protected:
  TempDir dir;
  std::string journalFile = dir.File("state/journal.sqlite");
};

// Each way a hand-over can end gives its row, through the real runner and
// real commands; a command not waited for is completed once the reaper has
// collected it, and one still running when the journal closes is left
// running. A waited command's file goes to the point's folder for success or
// failure, and the row says where.
TEST_F(JournalTest, EachHandOverIsRecordedWithHowItEnded) {
  // The command; its arguments as received, blank-separated; the wait; whether
  // it is terminated; "started|waited|outcome|code"; where the file went.
  using Case = std::tuple<const char*, const char*, std::int32_t, bool, const char*, const char*>;
  const Case cases[] = {
      {"true", "true", 0, false, "1|1|exit|0", "ok"},
      {"sh -c 'kill -9 $$'", "sh -c kill -9 $$", 0, false, "1|1|signal|9", "failed"},
      {"sleep 300", "sleep 300", 100, true, "1|1|terminated|-", "failed"},
      {"sleep 300", "sleep 300", 100, false, "1|1|left running|-", ""},
      {"sh -c 'exit 3'", "sh -c exit 3", -1, false, "1|0|exit|3", ""},
      {"sleep 300", "sleep 300", -1, false, "1|0|left running|-", ""},
      {"/nonexistent/program", "/nonexistent/program", 0, false, "0|1|not started|-", "failed"}};
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
  std::shared_ptr<JournalWriter> writer = OpenJournal(journalFile);
  ASSERT_TRUE(writer);
  runner.SetJournal(writer);
  std::vector<std::string> expected, texts;
  fs::create_directories(dir.File("in"));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& [command, arguments, wait, terminate, ended, folder] = cases[i];
    const std::string name = "file " + std::to_string(i) + "\xff";
    dir.Write("in/" + name, std::string(i + 1, 'x'));
    ObservationPoint point;
    point.name = "Inbox", point.command = command, point.wait = wait, point.terminate = terminate;
    point.successFolder = dir.File("ok/"), point.failureFolder = dir.File("failed/");
    runner.RunCommand(dir.File("in/"), name, point);
    if (wait < 0 && std::string(ended).ends_with("exit|3")) {
      ASSERT_TRUE(Eventually([&] { return point.running->empty(); }));
    }
    expected.push_back("Inbox|" + dir.File("in/" + name) + "|" + arguments + " |" + ended + "|" +
                       std::to_string(i + 1) + "|" +
                       (*folder ? dir.File(std::string(folder) + "/" + name) : ""));
  }
  writer->Close();
  for (const HandOver& row : ReadRows(journalFile)) {
    if (row.pid > 0) ::kill(-row.pid, SIGKILL);
    std::string arguments;
    for (const std::string& argument : row.arguments) arguments += argument + " ";
    texts.push_back(row.point + "|" + row.path + "|" + arguments + "|" +
                    std::to_string(row.pid > 0) + "|" + std::to_string(row.waited) + "|" +
                    std::string(journal::OutcomeName(row.outcome)) + "|" +
                    (row.code ? std::to_string(*row.code) : "-") + "|" +
                    std::to_string(row.size.value_or(-1)) + "|" + row.movedTo);
  }
  EXPECT_EQ(texts, expected);
}

// A daemon whose point removes each file it is handed, with an argument
// large enough that a few rows fill a page or two of the journal, under a
// limit on the size of the files it writes: two checks of four files each,
// and the orderly stop. Answers how often the journal was warned of.
std::ptrdiff_t RunDaemon(const TempDir& dir, const std::string& journalFile, rlim_t sizeLimit) {
  FixedClock clock;
  DaemonController controller{clock};
  RecordingView view;
  view.Record(controller);
  fs::create_directories(dir.File("in"));
  StartOptions options;
  const std::string command = "sh -c 'rm -- \"$1\"' x %File% " + std::string(8000, 'p');
  options.observationFile = dir.Write(
      "points.xml",
      ObservationXml("Inbox", {PointXml(dir.File("in/"), 3600,
                                        "<FilePattern>?*</FilePattern><Command Wait=\"0\">" +
                                            command + "</Command>" + kNotExclusive)}));
  options.allowSecondInstance = true;
  options.settings.journal.file = journalFile;
  rlimit former{};
  getrlimit(RLIMIT_FSIZE, &former);
  const rlimit limited{sizeLimit, former.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limited);
  ::signal(SIGXFSZ, SIG_IGN);
  controller.Start(options);
  for (const char* batch : {"a", "b"}) {
    for (int i = 0; i < 4; ++i) dir.Write("in/" + std::string(batch) + std::to_string(i), "x");
    controller.CheckAllNow();
    Settle(300);  // the writer's batch
  }
  controller.Quit({StopReason::Kind::Command, "exit"});
  QCoreApplication::exec();
  Settle(50);
  setrlimit(RLIMIT_FSIZE, &former);
  return std::ranges::count_if(view.Lines(), [](const std::string& line) {
    return line.starts_with("Warning ] The journal");
  });
}

// A journal that cannot be opened or written, or that is damaged, gives one
// Warning, and every file is handled all the same. A damaged file is kept
// beside the new journal, which gets the rows.
TEST_F(JournalTest, AJournalThatCannotBeUsedWarnsOnceWhileFilesAreStillHandled) {
  const std::string junk(3000, 'j');
  dir.Write("plain", "x");  // where the journal's folder should be
  fs::create_directories(dir.File("state"));
  dir.Write("state/journal.sqlite", junk);
  // The journal; a limit on file sizes (a file system as good as full); its rows afterwards.
  const std::tuple<std::string, rlim_t, std::size_t> cases[] = {
      {dir.File("plain/journal.sqlite"), RLIM_INFINITY, 0},
      {journalFile, RLIM_INFINITY, 8},  // damaged
      {dir.File("full/journal.sqlite"), 48 * 1024, 0}};
  for (const auto& [file, sizeLimit, rows] : cases) {
    EXPECT_EQ(RunDaemon(dir, file, sizeLimit), 1) << file;
    EXPECT_TRUE(fs::is_empty(dir.File("in"))) << file;
    EXPECT_EQ(ReadRows(file).size(), rows) << file;
  }
  EXPECT_EQ(ReadFile(journalFile + ".damaged"), junk);
}

HandOver Begun(std::int64_t startedMs, std::string point) {
  return {0, startedMs, std::move(point), {}, {}, {}, {}, {},
          0, false,     Outcome::Running, {}, {}, {}};
}

std::vector<std::string> Points(const std::string& file) {
  std::vector<std::string> points;
  for (const HandOver& row : ReadRows(file)) points.push_back(row.point);
  return points;
}

// Rows older than the keep time go in the background once the journal is
// open; with no keep time they stay.
TEST_F(JournalTest, RowsOlderThanTheKeepTimeAreRemoved) {
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch(), kDay = 24LL * 60 * 60 * 1000;
  auto writer = OpenJournal(journalFile, 0);
  for (const int age : {40, 31, 29, 0}) writer->Begin(Begun(now - age * kDay, std::to_string(age)));
  writer->Close();
  EXPECT_EQ(Points(journalFile), (std::vector<std::string>{"40", "31", "29", "0"}));
  writer = OpenJournal(journalFile, 30);
  EXPECT_TRUE(Eventually([&] { return Points(journalFile).size() == 2; }));
  EXPECT_EQ(Points(journalFile), (std::vector<std::string>{"29", "0"}));
}

// Another process reads the journal while the daemon writes it: every field
// as written, also while a write is under way, and the writer goes on while
// a reader holds its snapshot open.
TEST_F(JournalTest, AReaderSeesEveryFieldWhileTheWriterGoesOn) {
  // clang-format off
  HandOver full{.id = 1, .startedMs = QDateTime::currentMSecsSinceEpoch(), .point = "Inbox",
                .path = "/in/\xff name", .size = 12, .modifiedNs = 1'700'000'000'123'456'789,
                .inode = 77, .arguments = {"mv", "", "/in/\xff name"}, .pid = 4321, .waited = true,
                .outcome = Outcome::Running, .code = {}, .durationMs = {}, .movedTo = {}};
  // clang-format on
  auto writer = OpenJournal(journalFile);
  const std::int64_t first = writer->Begin(full);
  TestJournal reader(journalFile);
  reader.Execute("BEGIN; SELECT COUNT(*) FROM hand_overs");
  writer->End(first, {Outcome::Exited, 3, 250, "/done/x"});
  full.outcome = Outcome::Exited, full.code = 3, full.durationMs = 250, full.movedTo = "/done/x";
  writer->Begin(Begun(QDateTime::currentMSecsSinceEpoch(), "second"));
  EXPECT_TRUE(Eventually([&] { return Points(journalFile).size() == 2; }));
  reader.Execute("COMMIT; BEGIN IMMEDIATE");
  const auto fields = [](const HandOver& row) {
    return std::tie(row.id, row.startedMs, row.point, row.path, row.size, row.modifiedNs, row.inode,
                    row.arguments, row.pid, row.waited, row.outcome, row.code, row.durationMs,
                    row.movedTo);
  };
  EXPECT_EQ(fields(ReadRows(journalFile).at(0)), fields(full));
  reader.Execute("COMMIT");
}

TEST(JournalReader, RefusesAFileThatIsNoJournal) {
  TempDir dir;
  TestJournal other(dir.File("other.sqlite"));
  other.Execute("DROP TABLE hand_overs; CREATE TABLE t (x)");
  const std::pair<std::string, const char*> cases[] = {{other.file(), "not a journal of Corvane"},
                                                       {dir.path(), "not a regular file"}};
  for (const auto& [file, text] : cases) {
    const auto rows = ReadHandOvers(file, {});
    ASSERT_FALSE(rows) << file;
    EXPECT_EQ(rows.error().text, text);
  }
}

}  // namespace
}  // namespace corvane::test
