#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDateTime>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/child_reaper.h"
#include "core/daemon_controller.h"
#include "core/observation_point.h"
#include "core/run_command.h"
#include "journal/journal_reader.h"
#include "journal/journal_writer.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "support/test_journal.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using journal::HandOver;
using journal::JournalWriter;

// The journal's rows as another process reads them.
std::vector<HandOver> ReadRows(const std::string& file) {
  auto rows = journal::ReadHandOvers(file, {});
  return rows ? *rows : std::vector<HandOver>{};
}

std::unique_ptr<JournalWriter> OpenJournal(const std::string& file, int keepDays = 30) {
  auto opened = JournalWriter::Open({file, keepDays, {}});
  return opened ? std::move(opened->writer) : nullptr;
}

class JournalTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  test::TempDir dir;
  std::string journalFile = dir.File("state/journal.sqlite");
};

// Each way a hand-over can end gives its row, through the real runner and
// real commands; a command not waited for is completed once the reaper has
// collected it, and one still running when the journal closes is left
// running. A waited command's file goes to the point's folder for success or
// failure, and the row says where.
TEST_F(JournalTest, EachHandOverIsRecordedWithHowItEnded) {
  const struct {
    const char* command;
    const char* arguments;  // as the command received them, blank-separated
    std::int32_t wait;
    bool terminate;
    const char* ended;   // "started|waited|outcome|code"
    const char* folder;  // where the file went: "ok", "failed" or nowhere
  } cases[] = {
      {"true", "true", 0, false, "1|1|exit|0", "ok"},
      {"false", "false", 0, false, "1|1|exit|1", "failed"},
      {"sh -c 'kill -9 $$'", "sh -c kill -9 $$", 0, false, "1|1|signal|9", "failed"},
      {"sleep 300", "sleep 300", 100, true, "1|1|terminated|-", "failed"},
      {"sleep 300", "sleep 300", 100, false, "1|1|left running|-", ""},
      {"sh -c 'exit 3'", "sh -c exit 3", -1, false, "1|0|exit|3", ""},
      {"sleep 300", "sleep 300", -1, false, "1|0|left running|-", ""},
      {"/nonexistent/program", "/nonexistent/program", 0, false, "0|1|not started|-", "failed"},
  };
  ChildReaper reaper;
  CommandRunner runner{log, state, reaper};
  std::shared_ptr<JournalWriter> writer = OpenJournal(journalFile);
  ASSERT_TRUE(writer);
  runner.SetJournal(writer);
  std::vector<std::string> expected;
  fs::create_directories(dir.File("in"));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const std::string name = "file " + std::to_string(i) + "\xff";
    dir.Write("in/" + name, std::string(i + 1, 'x'));
    ObservationPoint point;
    point.name = "Inbox";
    point.command = c.command;
    point.wait = c.wait;
    point.terminate = c.terminate;
    point.successFolder = dir.File("ok/");
    point.failureFolder = dir.File("failed/");
    runner.RunCommand(dir.File("in/"), name, point);
    if (c.wait < 0 && std::string(c.ended).ends_with("exit|3")) {
      ASSERT_TRUE(test::Eventually([&] { return point.running->empty(); }));
    }
    expected.push_back("Inbox|" + dir.File("in/" + name) + "|" + c.arguments + " |" + c.ended +
                       "|" + std::to_string(i + 1) + "|" +
                       (*c.folder ? dir.File(std::string(c.folder) + "/" + name) : ""));
  }
  writer->Close();
  std::vector<std::string> texts;
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
int RunDaemon(const test::TempDir& dir, const std::string& journalFile, rlim_t sizeLimit) {
  test::FixedClock clock;
  DaemonController controller{clock};
  test::RecordingView view;
  view.Record(controller);
  fs::create_directories(dir.File("in"));
  StartOptions options;
  options.observationFile = dir.Write(
      "points.xml",
      test::ObservationXml(
          "Inbox", {test::PointXml(dir.File("in/"), 3600,
                                   std::string(test::kNotExclusive) +
                                       "<FilePattern>?*</FilePattern><Command Wait=\"0\">sh -c "
                                       "'rm -- \"$1\"' x %File% " +
                                       std::string(8000, 'p') + "</Command>")}));
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
    test::Settle(300);  // the writer's batch
  }
  controller.Quit({StopReason::Kind::Command, "exit"});
  QCoreApplication::exec();
  test::Settle(50);
  setrlimit(RLIMIT_FSIZE, &former);
  const std::vector<std::string> lines = view.Lines();
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Warning ] The journal");
  }));
}

// A journal that cannot be opened or written, or that is damaged, gives one
// Warning, and every file is handled all the same. A damaged file is kept
// beside the new journal, which gets the rows.
TEST_F(JournalTest, AJournalThatCannotBeUsedWarnsOnceWhileFilesAreStillHandled) {
  const std::string junk(3000, 'j');
  const struct {
    const char* name;
    std::string file;
    std::function<void()> prepare;
    rlim_t sizeLimit;  // a file system as good as full
    std::size_t rows;  // in the journal afterwards
  } cases[] = {
      {"folder is a file", dir.File("plain/journal.sqlite"), [&] { dir.Write("plain", "x"); },
       RLIM_INFINITY, 0},
      {"damaged", journalFile,
       [&] {
         fs::create_directories(dir.File("state"));
         dir.Write("state/journal.sqlite", junk);
       },
       RLIM_INFINITY, 8},
      {"disk full", dir.File("full/journal.sqlite"), [] {}, 48 * 1024, 0},
  };
  for (const auto& c : cases) {
    c.prepare();
    EXPECT_EQ(RunDaemon(dir, c.file, c.sizeLimit), 1) << c.name;
    EXPECT_TRUE(fs::is_empty(dir.File("in"))) << c.name;
    EXPECT_EQ(ReadRows(c.file).size(), c.rows) << c.name;
  }
  EXPECT_EQ(test::ReadFile(journalFile + ".damaged"), junk);
}

HandOver Started(std::int64_t startedMs, std::string point) {
  HandOver row;
  row.startedMs = startedMs;
  row.point = std::move(point);
  return row;
}

std::vector<std::string> Points(const std::string& file) {
  std::vector<std::string> points;
  for (const HandOver& row : ReadRows(file)) points.push_back(row.point);
  return points;
}

// Rows older than the keep time go in the background once the journal is
// open; with no keep time they stay.
TEST_F(JournalTest, RowsOlderThanTheKeepTimeAreRemoved) {
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  constexpr std::int64_t kDay = 24LL * 60 * 60 * 1000;
  auto writer = OpenJournal(journalFile, 0);
  for (const int age : {40, 31, 29, 0})
    writer->Begin(Started(now - age * kDay, std::to_string(age)));
  writer->Close();
  EXPECT_EQ(Points(journalFile), (std::vector<std::string>{"40", "31", "29", "0"}));
  writer = OpenJournal(journalFile, 30);
  EXPECT_TRUE(test::Eventually([&] { return Points(journalFile).size() == 2; }));
  EXPECT_EQ(Points(journalFile), (std::vector<std::string>{"29", "0"}));
}

// Another process reads the journal while the daemon writes it, and the
// writer goes on while a reader holds its snapshot open.
TEST_F(JournalTest, AReaderSeesRowsWhileTheWriterGoesOn) {
  auto writer = OpenJournal(journalFile);
  const std::int64_t first = writer->Begin(Started(QDateTime::currentMSecsSinceEpoch(), "first"));
  ASSERT_TRUE(test::Eventually([&] { return Points(journalFile).size() == 1; }));
  test::TestJournal reader(journalFile);
  reader.Execute("BEGIN; SELECT COUNT(*) FROM hand_overs");
  writer->End(first, {journal::Outcome::Exited, 0, 5, {}});
  writer->Begin(Started(QDateTime::currentMSecsSinceEpoch(), "second"));
  EXPECT_TRUE(test::Eventually([&] { return Points(journalFile).size() == 2; }));
  EXPECT_EQ(ReadRows(journalFile).front().outcome, journal::Outcome::Exited);
  reader.Execute("COMMIT");
}

}  // namespace
}  // namespace corvane
