#include "console/console_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <filesystem>
#include <fstream>

#include "console/reports.h"
#include "core/daemon_controller.h"
#include "core/instance_lock.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "support/test_journal.h"

namespace corvane::test {
namespace {

using Strings = std::vector<std::string>;
using journal::Outcome;

std::string Info(const std::string& text) { return "   Info ] " + text; }
std::string NotUnderstood(const std::string& l) { return "Command '" + l + "' not understood!"; }

// The console commands on a daemon that has not been started.
class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() { view.Record(controller); }
  // The lines shown after `line` ran (the view emptied first), unstamped.
  Strings Run(const std::string& line) {
    view.Clear();
    commands.ProcessCommand(line);
    return view.Lines();
  }

  TempDir dir;
  FixedClock clock;
  DaemonController controller{clock};
  RecordingView view;
  ConsoleCommands commands{ConsoleContext{controller, {}, {}}};
};

// The daemon started on "Inbox" (one point on `in/`), running. `captions`
// records the caption after every change the controller announced after
// start-up.
class ConsoleCommandsTest : public ConsoleTest {
 protected:
  ConsoleCommandsTest() {
    std::filesystem::create_directory(dir.File("in"));
    StartOptions options;
    options.observationFile = ObservationFile("points.xml", "Inbox", {"<Command>true</Command>"});
    options.allowSecondInstance = true;
    controller.Start(options);
    QObject::connect(&controller, &DaemonController::StatusChanged, [this] {
      captions.push_back(
          CaptionText(controller.state(), controller.language(), controller.IsRunning()));
    });
  }
  // One point on `in/` per command, not exclusive unless its own attributes
  // come first and say so.
  std::string ObservationFile(const std::string& file, const std::string& name,
                              const Strings& commands) {
    Strings points;
    for (const std::string& command : commands)
      points.push_back(PointXml(dir.File("in"), 3600, command + kNotExclusive));
    return dir.Write(file, ObservationXml(name, points));
  }

  Strings captions;
};

// The message comes also when the state does not change; the caption is
// refreshed only when the state or the points change, and never once the
// stop has begun.
TEST_F(ConsoleCommandsTest, DaemonCommandsAnswerAndActInAnyLetterCase) {
  const std::string xml = controller.ObservationFile();
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"PAUSE", "Pausing", false},      {"Reload", "Reloading '" + xml + "'", false},
      {"continue", "Continuing", true}, {"RUN", "Searching for files", true},
      {"End", "Exiting", false},        {"go", "Continuing", false}};  // the stop has begun
  for (const auto& [word, message, running] : cases) {
    Strings shown = Run(word);
    shown.resize(2);  // what a reload or a check found comes after these
    EXPECT_EQ(shown, (Strings{"> " + word + ":", Info(message + " on user request...")}));
    EXPECT_EQ(controller.IsRunning(), running) << word;
  }
  EXPECT_EQ(captions, (Strings{"Inbox (stopped)", "Inbox (running)"}));
}

// A quote is dropped before the command is looked up; a blank is not.
// chk_update asks for a check that tells its result.
TEST_F(ConsoleCommandsTest, CommandsAnswerClearTakesTheEchoAndAnythingElseIsNotUnderstood) {
  std::vector<bool> asked;
  commands.context().checkForUpdate = [&](bool verbose) { asked.push_back(verbose); };
  // Hostile lines come escaped: they cannot command the terminal.
  const std::pair<std::string, Strings> cases[] = {
      {"cls", {}},
      {"CHK_UPDATE", {"> CHK_UPDATE:"}},
      {"frobnicate now", {"> frobnicate:", NotUnderstood("frobnicate now")}},
      {" pause", {">  pause:", NotUnderstood(" pause")}},
      {"\"pause", {"> pause:", Info("Pausing on user request...")}},
      {std::string("\x01\xff\0\x7f\"", 6),
       {"> \\x01\\xff\\x00\\x7f\\x00:", NotUnderstood("\\x01\\xff\\x00\\x7f\"\\x00")}},
      {"a\r\nb \x1b]0;x\a", {"> a\\r\\nb:", NotUnderstood("a\\r\\nb \\x1b]0;x\\x07")}}};
  for (const auto& [line, expected] : cases) EXPECT_EQ(Run(line), expected) << line;
  EXPECT_EQ(asked, std::vector<bool>{true});
}

// Every point whose folder holds the path answers, in table order: a line
// per rule up to the one that stops it, the verdict, and why it stops. The
// path is shown as the log shows names: no control character or invalid
// byte reaches the view or the terminal raw. Its hand-overs in the journal
// follow the verdicts.
TEST_F(ConsoleCommandsTest, WhyAnswersForEveryPointThatHoldsThePathAndSaysWhenNoneDoes) {
  const std::string hostile = dir.Write("in/a\nb\x1b[31m\xff.txt", "x");
  TestJournal recorded(controller.JournalFile());
  // Recent rows: the daemon's journal removes old ones meanwhile.
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  recorded.Add(now, "Inbox", hostile, Outcome::Exited, 3, 1200);
  recorded.Add(now, "Inbox", dir.File("in/other.txt"), Outcome::Signalled, 9);
  const Strings lines = Run("why \"" + hostile + "\"");
  EXPECT_EQ(lines.at(1), "Point 0 '" + controller.state().points.at(0).name + "' (" +
                             dir.File("in/") + "a\\nb\\x1b[31m\\xff.txt):");
  EXPECT_NE(lines.back().find("exit 3"), std::string::npos) << lines.back();
  EXPECT_TRUE(std::ranges::none_of(lines, [](auto& l) { return l.find("signal") != l.npos; }));

  const std::string pdf = "<Name>Pdf</Name><Command>b</Command><FilePattern>*.pdf</FilePattern>";
  controller.ChangeObservationFile(ObservationFile(
      "two.xml", "Two",
      {"<Name>Any</Name><Command>a</Command>", pdf + "<NoSubdirs>Yes</NoSubdirs>",
       "<Name>Shr</Name><Command>c</Command><Shared>Yes</Shared><Attributes Exclusive=\"1\"/>"}));
  std::filesystem::create_directory(dir.File("in/sub"));
  const std::string path = dir.Write("in/sub/a.txt", "x"), outside = dir.Write("a.txt", "x");
  // A point's block: a line per rule, the first one's word, the rest's, and
  // the verdict.
  Strings expected = {"> why:"};
  const auto block = [&](const std::string& point, const std::string& pattern, const char* first,
                         const char* rest, const char* verdict) {
    expected.push_back("Point " + point + " (" + path + "):");
    for (const std::string& rule :
         Strings{"where it lies (sub-folders, links)", "name pattern '" + pattern + "'",
                 "hidden and system", "attributes (-)", "no running command for it", "age",
                 "exclusive access"})
      expected.push_back("    " + rule + ": " + (rule.starts_with("where") ? first : rest));
    expected.push_back(std::string("  => ") + verdict);
  };
  block("0 'Any'", "*.*", "passes", "passes", "would be handed over at the next check");
  block("1 'Pdf'", "*.pdf", "stops", "not checked", "not handed over");
  expected.push_back("    The point searches no sub-folders such as '" + dir.File("in/sub") + "'.");
  // A shared point opens no file before its claim, nor does why for it.
  block("2 'Shr'", "*.*", "passes", "passes", "not handed over");
  expected.end()[-2] = "    exclusive access: not checked";
  expected.push_back(
      "    Changed or not seen before: a shared point waits until size and time stay the same "
      "between two checks, since writers on other machines cannot be seen.");
  expected.push_back(
      "    A shared point tests exclusive access only once it has claimed the file, so that no "
      "daemon opens a file another may be claiming.");
  EXPECT_EQ(Run("why " + path), expected);
  EXPECT_EQ(Run("WHY " + outside),
            (Strings{"> WHY:", "'" + outside + "' is in no point's folder."}));
}

// A layout of bare placeholders shows which value fills each.
TEST(ReportsTest, StatisticsShowEveryValueOfAPointInItsPlace) {
  const TempDir dir;
  LoggingCore core;
  core.state.startTime = core.clock.Now();
  core.language.LoadLanguageFile(
      dir.Write("values.lng",
                "33=on\n34=off\n0=Y\n1=N\n53=A\n54=R\n55=C\n56=H\n57=S\n46=%1|%2|%3\n"
                "47=%1|%2|%3|%4|%5|%6|%7|%8|[%9]|%10|%11|%12|%13|%14|%15|%16|%17\n"));
  ObservationPoint point;
  point.directory = "/srv/in/", point.filePattern = "*.pdf|*.tif", point.name = "Scans";
  point.command = "mv %File% /srv/done", point.ageUnit = point.windowStyle = "min";
  point.interval = 60, point.ticks = 15, point.minimumAge = 3, point.wait = 5000;
  point.hidden = point.system = point.archive = point.readOnly = point.compressed = true;
  point.terminate = point.noSubdirectories = true, point.exclusive = false;
  point.executed = 12, point.failed = 2;
  core.state.points.push_back(point);
  ShowStatistics(core.log, core.state, false);
  std::string shown;
  for (const std::string& line : core.Lines()) shown += line + "|";
  EXPECT_EQ(shown,
            "2026-01-02 03:04:05|1|off|0|Scans|/srv/in/|*.pdf|*.tif|mv %File% /srv/done|"
            "5000|Y|min|[A R C H S ]|N|3|min|60|45|12|2|N|");
}

// Setting names are matched exactly, and in a run of blanks every other
// blank separates; a log level outside the levels is ignored, a half rounds
// to even. A file that cannot be used (a FIFO would block the daemon) is
// refused with the reason, and the setting before stays in force; a device
// is the end-to-end test's. The journal and the language follow their
// settings at once, and the settings are kept.
TEST_F(ConsoleCommandsTest, SetAnswersAndTakesEffectAtOnce) {
  int trayTranslations = 0;
  commands.context().translateTrayMenu = [&] { ++trayTranslations; };
  const std::string log = dir.File("kept.log"), journal = dir.File("journal/hand-overs.sqlite");
  const std::string fifo = dir.File("fifo"), huge = dir.File("huge.lng");
  const std::string language = dir.Write("kept.lng", "17=    INFO\n40=Neu: %1 = %2\n");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::ofstream(huge).seekp(Language::kMaxFileBytes) << '\n';
  const auto changed = [](const std::string& name, const std::string& value) {
    return Info("Changed '" + name + "' to '" + value + "'.");
  };
  const std::string refused = "  Error ] Cannot use '";
  // The line; its answer ("": none); the log level and whether the journal
  // is open afterwards.
  const std::tuple<std::string, std::string, std::int16_t, bool> cases[] = {
      {"set loglevel 0", changed("loglevel", "0"), 0, true},
      {"set loglevel 7", "", 0, true},
      {"set loglevel 2.5", "", 2, true},  // rounds to 2; Info is then below the level
      {"set loglevel 1", changed("loglevel", "1"), 1, true},
      {"set loglevel 40000", NotUnderstood("set loglevel 40000"), 1, true},
      {"set LogLevel 2", "Unknown parameter: 'LogLevel'", 1, true},
      {"set  loglevel 0", "Unknown parameter: ' loglevel'", 1, true},  // the second blank stays
      {"set journalfile " + journal, changed("journalfile", journal), 1, true},
      {"set journal off", changed("journal", "off"), 1, false},
      {"set journaldays 7", changed("journaldays", "7"), 1, false},
      {"set journal on", changed("journal", "on"), 1, true},
      {"set logfile " + log, changed("logfile", log), 1, true},
      {"set logfile " + fifo, refused + fifo + "' as logfile: not a regular file.", 1, true},
      {"set languagefile " + language, "   INFO ] Neu: languagefile = " + language, 1, true},
      {"set languagefile " + huge, refused + huge + "' as languagefile: larger than 4194304 bytes.",
       1, true},
      {"set languagefile missing.lng", "   INFO ] Language file not found: missing.lng", 1, true}};
  for (const auto& [line, answer, level, open] : cases) {
    EXPECT_EQ(Run(line), (answer.empty() ? Strings{"> set:"} : Strings{"> set:", answer})) << line;
    EXPECT_EQ(std::pair(LevelNumber(controller.Settings().logLevel), controller.JournalOpen()),
              std::pair(level, open))
        << line;
  }
  EXPECT_TRUE(std::filesystem::exists(journal));
  EXPECT_EQ(std::tuple(controller.Settings().journal, controller.state().logFile,
                       controller.Settings().languageFile, trayTranslations),
            std::tuple(JournalSettings{journal, true, 7}, log, language, 1));
  EXPECT_TRUE(captions.empty());
}

// A name takes one word; without one the caption names the file.
TEST_F(ConsoleCommandsTest, SetNameOrXmlFileRefreshesTheCaptionAndXmlFileMovesTheLockOrHalts) {
  const std::string first = controller.ObservationFile();
  EXPECT_EQ(Run("set name Night Shift"), Strings{"> set:"});
  EXPECT_EQ(captions.back(), "Night (running)");
  Run("set name \"\"");
  EXPECT_EQ(captions.back(), "Corvane [" + first + "] (running)");
  const std::string second =
      ObservationFile("second.xml", "Second", {"<Command>a</Command>", "<Command>b</Command>"});
  const std::string held = ObservationFile("held.xml", "Held", {"<Command>x</Command>"});
  const auto freeToTake = [this](const std::string& file) {
    return InstanceLock(controller.log()).RegisterInstance(file);
  };
  ASSERT_FALSE(freeToTake(first));
  InstanceLock holder(controller.log());
  ASSERT_TRUE(holder.RegisterInstance(held));
  EXPECT_EQ(Run("set xmlfile " + dir.File("no.xml")).back(),
            "  Error ] Cannot use '" + dir.File("no.xml") + "' as xmlfile: no such file.");
  EXPECT_EQ(controller.ObservationFile(), first);
  EXPECT_EQ(Run("set xmlfile " + second),
            (Strings{"> set:", Info("Changed 'xmlfile' to '" + second + "'."),
                     Info("Loaded " + second + ",  2 observation points added.")}));
  EXPECT_EQ(std::tuple(captions.back(), freeToTake(first), freeToTake(second)),
            std::tuple("Second (running)", true, false));
  const std::string heldElsewhere = dir.File("./held.xml");  // the same file
  EXPECT_EQ(Run("set xmlfile " + heldElsewhere).back(),
            "  Error ] Could not lock '" + heldElsewhere +
                "'. The daemon was halted. (Maybe another daemon is running.)");
  EXPECT_EQ(std::tuple(controller.IsRunning(), captions.back(), freeToTake(second)),
            std::tuple(false, "Held (stopped)", true));
}

std::string Stamp(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

class HistoryTest : public ConsoleTest {
 protected:
  // The lines after the echo and the heading.
  Strings Rows(const std::string& line) {
    const Strings lines = Run(line);
    return lines.size() < 2 ? Strings{} : Strings(lines.begin() + 2, lines.end());
  }
  // The daemon's own journal file, which other tests of this process may
  // have written: each test starts without it.
  const std::string journalFile = [](const std::string& file) {
    for (const char* part : {"", "-wal", "-shm"}) std::filesystem::remove(file + part);
    return file;
  }(controller.JournalFile());
  std::optional<TestJournal> journal{journalFile};
};

// One aligned line per hand-over, newest last; a count, a point ("*": any)
// and a name pattern narrow what is shown.
TEST_F(HistoryTest, ShowsOneAlignedLinePerHandOverNewestLastNarrowedByCountPointAndPattern) {
  const std::int64_t t = 1'780'000'000'000;
  journal->Add(t + 5000, "Inbox", "/in/e", Outcome::NotStarted, {}, 0);
  journal->Add(t, "Inbox", "/in/a.pdf", Outcome::Exited, 0, 850);
  journal->Add(t + 1000, "Print", "/p/b1\x1b[31m.txt", Outcome::Signalled, 9, 12'345);
  journal->Add(t + 2000, "Inbox", "/in/c\xff", Outcome::Terminated, {}, 65'000);
  journal->Add(t + 3000, "Überlauf", "/x/d\xe2\x80\xae", Outcome::LeftRunning, {}, 7'384'000);
  EXPECT_EQ(Rows("history"),
            (Strings{Stamp(t) + "  Inbox     exit 0           850 ms  a.pdf",
                     Stamp(t + 1000) + "  Print     signal 9         12.3 s  b1\\x1b[31m.txt",
                     Stamp(t + 2000) + "  Inbox     terminated     1:05 min  c\\xff",
                     Stamp(t + 3000) + "  Überlauf  left running  2:03:04 h  d\\u202e",
                     Stamp(t + 5000) + "  Inbox     not started        0 ms  e"}));
  const std::pair<const char*, Strings> cases[] = {
      {"history 2", {"d\\u202e", "e"}},
      {"history 9 Inbox", {"a.pdf", "c\\xff", "e"}},
      {"history * b#*|c*", {"b1\\x1b[31m.txt", "c\\xff"}},
      {"history   1  Inbox  \"?.pdf|c*\"", {"c\\xff"}}};
  for (const auto& [line, names] : cases) {
    Strings shown;
    for (const std::string& row : Rows(line)) shown.push_back(row.substr(row.rfind(' ') + 1));
    EXPECT_EQ(shown, names) << line;
  }
}

TEST_F(HistoryTest, AnswersInOneLineWhenThereIsNothingToShow) {
  const auto answer = [this](const std::string& line) { return Run(line).at(1); };
  EXPECT_EQ(answer("history"), "No hand-overs in the journal '" + journalFile + "'.");
  journal.reset();
  std::filesystem::remove(journalFile);
  EXPECT_EQ(answer("history"), "No hand-overs in the journal '" + journalFile + "'.");
  std::ofstream(journalFile) << "not a journal";
  EXPECT_TRUE(answer("history").starts_with("The journal '" + journalFile + "' cannot be read: "));
}

}  // namespace
}  // namespace corvane::test
