#include <gtest/gtest.h>

#include <QDateTime>
#include <filesystem>
#include <fstream>

#include "console/console_commands.h"
#include "core/daemon_controller.h"
#include "core/settings_store.h"
#include "support/logging_core.h"
#include "support/temp_dir.h"
#include "support/test_journal.h"

namespace corvane::test {
namespace {

using Strings = std::vector<std::string>;
using journal::Outcome;

std::string Stamp(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

class HistoryTest : public ::testing::Test {
 protected:
  HistoryTest() {
    OpenSettingsStore().clear();
    view.Record(controller);
  }
  // The lines after the echo.
  Strings Run(const std::string& line) {
    view.Clear();
    commands.ProcessCommand(line);
    const Strings lines = view.Lines();
    return Strings(lines.begin() + 1, lines.end());
  }
  // The lines after the heading.
  Strings Rows(const std::string& line) {
    const Strings lines = Run(line);
    return lines.empty() ? lines : Strings(lines.begin() + 1, lines.end());
  }

  FixedClock clock;
  DaemonController controller{clock};
  RecordingView view;
  ConsoleCommands commands{ConsoleContext{controller, {}, {}}};
  // The daemon's own journal file, which other tests of this process may
  // have written: each test starts without it.
  const std::string journalFile = [](const std::string& file) {
    for (const char* part : {"", "-wal", "-shm"}) std::filesystem::remove(file + part);
    return file;
  }(controller.JournalFile());
  std::optional<TestJournal> journal{journalFile};
};

TEST_F(HistoryTest, ShowsOneAlignedLinePerHandOverNewestLast) {
  const std::int64_t t = 1'780'000'000'000;
  journal->Add(t + 5000, "Inbox", "/in/e", Outcome::NotStarted, {}, 0);
  journal->Add(t, "Inbox", "/in/a.pdf", Outcome::Exited, 0, 850);
  journal->Add(t + 1000, "Print", "/p/b\x1b[31m.txt", Outcome::Signalled, 9, 12'345);
  journal->Add(t + 2000, "Inbox", "/in/c\xff", Outcome::Terminated, {}, 65'000);
  journal->Add(t + 3000, "Überlauf", "/x/d\xe2\x80\xae", Outcome::LeftRunning, {}, 7'384'000);
  journal->Add(t + 6000, "Inbox", "/in/f.pdf", Outcome::Running);
  EXPECT_EQ(Rows("history"),
            (Strings{
                Stamp(t) + "  Inbox     exit 0           850 ms  a.pdf",
                Stamp(t + 1000) + "  Print     signal 9         12.3 s  b\\x1b[31m.txt",
                Stamp(t + 2000) + "  Inbox     terminated     1:05 min  c\\xff",
                Stamp(t + 3000) + "  Überlauf  left running  2:03:04 h  d\\u202e",
                Stamp(t + 5000) + "  Inbox     not started        0 ms  e",
                Stamp(t + 6000) + "  Inbox     running               -  f.pdf",
            }));
}

TEST_F(HistoryTest, TakesCountPointAndNamePattern) {
  for (int i = 0; i < 25; ++i)
    journal->Add(1000 * i, i % 2 ? "Odd" : "Even", std::to_string(i) + ".txt", Outcome::Exited, 0);
  const std::pair<const char*, Strings> cases[] = {
      {"history 3", {"22.txt", "23.txt", "24.txt"}},
      {"history 2 Odd", {"21.txt", "23.txt"}},
      {"history 2 * 1#.txt|5.*", {"18.txt", "19.txt"}},
      {"history   1  Even  \"?.txt\"", {"8.txt"}},
      {"history * 2?.txt", {"20.txt", "21.txt", "22.txt", "23.txt", "24.txt"}},
  };
  for (const auto& [line, names] : cases) {
    Strings shown;
    for (const std::string& row : Rows(line)) shown.push_back(row.substr(row.rfind(' ') + 1));
    EXPECT_EQ(shown, names) << line;
  }
  EXPECT_EQ(Rows("history").size(), 20u);
}

TEST_F(HistoryTest, AnswersInOneLineWhenThereIsNothingToShow) {
  const auto answer = [this](const std::string& line) { return Run(line).at(0); };
  EXPECT_EQ(answer("history"), "No hand-overs in the journal '" + journalFile + "'.");
  EXPECT_EQ(answer("history 0"), "Command 'history 0' not understood!");
  EXPECT_EQ(answer("history 3 Inbox *.pdf more"),
            "Command 'history 3 Inbox *.pdf more' not understood!");
  journal.reset();
  std::filesystem::remove(journalFile);
  EXPECT_EQ(answer("history"), "No hand-overs in the journal '" + journalFile + "'.");
  std::ofstream(journalFile) << "not a journal";
  EXPECT_TRUE(answer("history").starts_with("The journal '" + journalFile + "' cannot be read: "));
  Run("set journal off");
  EXPECT_EQ(answer("history"), "The journal is off: hand-overs are not recorded.");
}

}  // namespace
}  // namespace corvane::test
