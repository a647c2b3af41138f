#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/child_reaper.h"
#include "core/daemon_controller.h"
#include "core/observation_point.h"
#include "core/run_command.h"
#include "journal/journal_writer.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using journal::JournalWriter;

// The journal's rows as another process sees them, one text each:
// "point|path|arguments (blank-separated)|waited|outcome|code|size", and the
// pids.
struct Rows {
  std::vector<std::string> texts;
  std::vector<int> pids;
};

Rows ReadRows(const std::string& file) {
  Rows rows;
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT point, path, arguments, waited, outcome, code, size, pid "
                     "FROM hand_overs ORDER BY id",
                     -1, &select, nullptr);
  const auto column = [select](int index) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(select, index));
    return sqlite3_column_type(select, index) == SQLITE_NULL
               ? std::string("-")
               : std::string(bytes ? bytes : "", sqlite3_column_bytes(select, index));
  };
  while (select && sqlite3_step(select) == SQLITE_ROW) {
    std::string arguments = column(2);
    std::replace(arguments.begin(), arguments.end(), '\0', ' ');
    rows.texts.push_back(column(0) + "|" + column(1) + "|" + arguments + "|" + column(3) + "|" +
                         column(4) + "|" + column(5) + "|" + column(6));
    rows.pids.push_back(sqlite3_column_int(select, 7));
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
  return rows;
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
// running.
TEST_F(JournalTest, EachHandOverIsRecordedWithHowItEnded) {
  const struct {
    const char* command;
    const char* arguments;  // as the command received them, blank-separated
    std::int32_t wait;
    bool terminate;
    const char* ended;  // "waited|outcome|code"
  } cases[] = {
      {"true", "true", 0, false, "1|exit|0"},
      {"false", "false", 0, false, "1|exit|1"},
      {"sh -c 'kill -9 $$'", "sh -c kill -9 $$", 0, false, "1|signal|9"},
      {"sleep 300", "sleep 300", 100, true, "1|terminated|-"},
      {"sleep 300", "sleep 300", 100, false, "1|left running|-"},
      {"sh -c 'exit 3'", "sh -c exit 3", -1, false, "0|exit|3"},
      {"sleep 300", "sleep 300", -1, false, "0|left running|-"},
      {"/nonexistent/program", "/nonexistent/program", 0, false, "1|not started|-"},
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
    runner.RunCommand(dir.File("in/"), name, point);
    if (c.wait < 0 && std::string(c.ended) == "0|exit|3") {
      ASSERT_TRUE(test::Eventually([&] { return point.running->empty(); }));
    }
    expected.push_back("Inbox|" + dir.File("in/" + name) + "|" + c.arguments + " |" + c.ended +
                       "|" + std::to_string(i + 1));
  }
  writer->Close();
  const Rows rows = ReadRows(journalFile);
  for (const int pid : rows.pids) {
    if (pid > 0) ::kill(-pid, SIGKILL);
  }
  EXPECT_EQ(rows.texts, expected);
  EXPECT_EQ(rows.pids.back(), 0);
  EXPECT_GT(*std::min_element(rows.pids.begin(), rows.pids.end() - 1), 0);
}

// A daemon whose point removes each file it is handed, with an argument
// large enough that a few rows fill a page or two of the journal.
struct JournalDaemon {
  explicit JournalDaemon(const test::TempDir& dir) {
    view.Record(controller);
    fs::create_directories(dir.File("in"));
    observationFile = dir.Write(
        "points.xml",
        test::ObservationXml(
            "Inbox", {test::PointXml(dir.File("in/"), 3600,
                                     std::string(test::kNotExclusive) +
                                         "<FilePattern>?*</FilePattern><Command Wait=\"0\">sh -c "
                                         "'rm -- \"$1\"' x %File% " +
                                         std::string(8000, 'p') + "</Command>")}));
  }
  // Two checks of four files each, and the orderly stop.
  void Run(const test::TempDir& dir, const std::string& journalFile) {
    StartOptions options;
    options.observationFile = observationFile;
    options.allowSecondInstance = true;
    options.settings.journal.file = journalFile;
    controller.Start(options);
    for (const char* batch : {"a", "b"}) {
      for (int i = 0; i < 4; ++i) dir.Write("in/" + std::string(batch) + std::to_string(i), "x");
      controller.CheckAllNow();
      test::Settle(300);  // the writer's batch
    }
    controller.Quit({StopReason::Kind::Command, "exit"});
    QCoreApplication::exec();
    test::Settle(50);
  }
  int JournalWarnings() const {
    int warnings = 0;
    for (const std::string& line : view.Lines())
      warnings += line.starts_with("Warning ] The journal") ? 1 : 0;
    return warnings;
  }

  test::FixedClock clock;
  DaemonController controller{clock};
  test::RecordingView view;
  std::string observationFile;
};

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
    rlimit former{};
    getrlimit(RLIMIT_FSIZE, &former);
    const rlimit limited{c.sizeLimit, former.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
    ::signal(SIGXFSZ, SIG_IGN);
    {
      JournalDaemon daemon(dir);
      daemon.Run(dir, c.file);
      setrlimit(RLIMIT_FSIZE, &former);
      EXPECT_EQ(daemon.JournalWarnings(), 1)
          << c.name << testing::PrintToString(daemon.view.Lines());
    }
    EXPECT_TRUE(fs::is_empty(dir.File("in"))) << c.name;
    EXPECT_EQ(ReadRows(c.file).texts.size(), c.rows) << c.name;
  }
  EXPECT_EQ(test::ReadFile(journalFile + ".damaged"), junk);
}

journal::HandOver Started(std::int64_t startedMs, std::string point) {
  journal::HandOver row;
  row.startedMs = startedMs;
  row.point = std::move(point);
  return row;
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::vector<std::string> Points(const std::string& file) {
  std::vector<std::string> points;
  for (const std::string& text : ReadRows(file).texts)
    points.push_back(text.substr(0, text.find('|')));
  return points;
}

// Rows older than the keep time go in the background once the journal is
// open; with no keep time they stay.
TEST_F(JournalTest, RowsOlderThanTheKeepTimeAreRemoved) {
  const std::int64_t now = NowMs();
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
  const std::int64_t first = writer->Begin(Started(NowMs(), "first"));
  ASSERT_TRUE(test::Eventually([&] { return Points(journalFile).size() == 1; }));
  sqlite3* reader = nullptr;
  sqlite3_open_v2(journalFile.c_str(), &reader, SQLITE_OPEN_READONLY, nullptr);
  ASSERT_EQ(
      sqlite3_exec(reader, "BEGIN; SELECT COUNT(*) FROM hand_overs", nullptr, nullptr, nullptr),
      SQLITE_OK);
  writer->End(first, {journal::Outcome::Exited, 0, 5, {}});
  writer->Begin(Started(NowMs(), "second"));
  EXPECT_TRUE(test::Eventually([&] { return Points(journalFile).size() == 2; }));
  EXPECT_EQ(ReadRows(journalFile).texts.front(), "first|||0|exit|0|-");
  sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(reader);
}

}  // namespace
}  // namespace corvane
