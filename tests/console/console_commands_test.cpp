#include "console/console_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "console/console_tokenizer.h"
#include "console/reports.h"
#include "core/daemon_controller.h"
#include "core/daemon_state.h"
#include "core/instance_lock.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "support/test_journal.h"

namespace corvane::test {
namespace {

using Strings = std::vector<std::string>;

std::string Joined(const Strings& parts) {
  std::string all;
  for (const std::string& part : parts) all += (&part == parts.data() ? "" : "|") + part;
  return all;
}
std::string Info(const std::string& text) { return "   Info ] " + text; }
std::string NotUnderstood(const std::string& line) {
  return "Command '" + line + "' not understood!";
}

// The console commands on a daemon started on "Inbox" (one point on `in/`),
// running. `captions` records the caption after every change the controller
// announced after start-up.
class ConsoleCommandsTest : public ::testing::Test {
 protected:
  ConsoleCommandsTest() {
    view.Record(controller);
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
  // The lines shown after `line` ran (the view emptied first), unstamped.
  Strings Run(const std::string& line) {
    view.Clear();
    commands.ProcessCommand(line);
    return view.Lines();
  }
  // One point on `in/` per command.
  std::string ObservationFile(const std::string& file, const std::string& name,
                              const Strings& commands) {
    Strings points;
    for (const std::string& command : commands) {
      points.push_back(PointXml(dir.File("in"), 3600, command + kNotExclusive));
    }
    return dir.Write(file, ObservationXml(name, points));
  }

  TempDir dir;
  FixedClock clock;
  DaemonController controller{clock};
  RecordingView view;
  ConsoleCommands commands{ConsoleContext{controller, {}, {}}};
  Strings captions;
};

// In a run of blanks every other blank separates.
TEST(ConsoleTokenizer, SplitsOnBlanksOutsideQuotes) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"a\" b\"c\"", "a|bc"},
      {"set name \"Night Shift\"", "set|name|Night Shift"},
      {"a   b", "a| |b"},
      {" pause", " pause"},
      {"set name x ", "set|name|x|"}};
  for (const auto& [line, tokens] : cases) EXPECT_EQ(Joined(TokenizeCommand(line)), tokens) << line;
}

// The message comes also when the state does not change; the caption is
// refreshed only when the state or the points change, and never once the
// stop has begun.
TEST_F(ConsoleCommandsTest, DaemonCommandsAnswerAndActInAnyLetterCase) {
  const std::string xml = controller.ObservationFile();
  dir.Write("in/a.txt", "x");
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"PAUSE", "Pausing", false},
      {"Halt", "Pausing", false},
      {"Reload", "Reloading '" + xml + "'", false},
      {"continue", "Continuing", true},
      {"GO", "Continuing", true},
      {"RUN", "Searching for files", true},
      {"End", "Exiting", false},
      {"go", "Continuing", false}};  // the stop has begun
  for (const auto& [word, message, running] : cases) {
    Strings shown = Run(word);
    shown.resize(2);  // what a reload or a check found comes after these
    EXPECT_EQ(shown, (Strings{"> " + word + ":", Info(message + " on user request...")}));
    EXPECT_EQ(controller.IsRunning(), running) << word;
  }
  EXPECT_EQ(controller.state().points.at(0).executed, 1);
  EXPECT_TRUE(controller.IsStopping());
  EXPECT_EQ(captions, (Strings{"Inbox (stopped)", "Inbox (running)"}));
}

// A quote is dropped before the command is looked up; a blank is not.
TEST_F(ConsoleCommandsTest, ClearTakesTheEchoWithItAndAnythingElseIsNotUnderstood) {
  // Hostile lines come whole and escaped: they cannot command the terminal.
  const std::string big(1 << 20, 'x');
  const std::pair<std::string, Strings> cases[] = {
      {"cls", {}},
      {"Clear", {}},
      {"frobnicate now", {"> frobnicate:", NotUnderstood("frobnicate now")}},
      {" pause", {">  pause:", NotUnderstood(" pause")}},
      {"\"pause", {"> pause:", Info("Pausing on user request...")}},
      {big, {"> " + big + ":", NotUnderstood(big)}},
      {std::string("\x01\xff\0\x7f\"", 6),
       {"> \\x01\\xff\\x00\\x7f\\x00:", NotUnderstood("\\x01\\xff\\x00\\x7f\"\\x00")}},
      {"a\r\nb \x1b]0;x\a", {"> a\\r\\nb:", NotUnderstood("a\\r\\nb \\x1b]0;x\\x07")}},
      {"   ", {">  :", NotUnderstood("   ")}},
      {"why", {"> why:", NotUnderstood("why")}}};
  for (const auto& [line, expected] : cases) EXPECT_EQ(Run(line), expected) << line.substr(0, 20);
}

TEST_F(ConsoleCommandsTest, ReportsWithoutLanguageFileAndUpdateCheck) {
  controller.ChangeObservationFile(  // a line for the header and each point
      ObservationFile("two.xml", "Two", {"<Command>a</Command>", "<Command>b</Command>"}));
  EXPECT_EQ(Run("help me"), (Strings{"> help:", "Help not avaliable! (Check the language file!)"}));
  const std::string noStat = "Statistics are not avaliable! (Check the language file!)";
  EXPECT_EQ(Run("stat"), (Strings{"> stat:", noStat, noStat, noStat}));
  EXPECT_EQ(Run("chk_update"), Strings{"> chk_update:"});  // none built in
  std::vector<bool> asked;
  commands.context().checkForUpdate = [&](bool verbose) { asked.push_back(verbose); };
  Run("CHK_UPDATE");
  EXPECT_EQ(asked, std::vector<bool>{true});
}

// Every point whose folder holds the path answers, in table order: a line
// per rule up to the one that stops it, the verdict, and why it stops.
TEST_F(ConsoleCommandsTest, WhyAnswersForEveryPointThatHoldsThePathAndSaysWhenNoneDoes) {
  controller.ChangeObservationFile(ObservationFile(
      "two.xml", "Two",
      {"<Name>Any</Name><Command>a</Command>",
       "<Name>Pdf</Name><Command>b</Command><FilePattern>*.pdf</FilePattern><NoSubdirs>Yes</"
       "NoSubdirs>"}));
  std::filesystem::create_directory(dir.File("in/sub"));
  const std::string path = dir.Write("in/sub/a.txt", "x");
  const std::string outside = dir.Write("a.txt", "x");
  const auto rules = [](const char* first, const char* rest, const std::string& pattern) {
    return Strings{std::string("    where it lies (sub-folders, links): ") + first,
                   "    name pattern '" + pattern + "': " + rest,
                   std::string("    hidden and system: ") + rest,
                   std::string("    attributes (-): ") + rest,
                   std::string("    no running command for it: ") + rest,
                   std::string("    age: ") + rest,
                   std::string("    exclusive access: ") + rest};
  };
  Strings expected = {"> why:", "Point 0 'Any' (" + path + "):"};
  for (const std::string& line : rules("passes", "passes", "*.*")) expected.push_back(line);
  expected.push_back("  => would be handed over at the next check");
  expected.push_back("Point 1 'Pdf' (" + path + "):");
  for (const std::string& line : rules("stops", "not checked", "*.pdf")) expected.push_back(line);
  expected.push_back("  => not handed over");
  expected.push_back("    The point searches no sub-folders such as '" + dir.File("in/sub") + "'.");
  EXPECT_EQ(Run("why " + path), expected);
  EXPECT_EQ(Run("WHY " + outside),
            (Strings{"> WHY:", "'" + outside + "' is in no point's folder."}));
}

// The path is shown as the log shows names: no control character or
// invalid byte reaches the view or the terminal raw. Its hand-overs in the
// journal follow the verdict.
TEST_F(ConsoleCommandsTest, WhyShowsAHostileNameAsTheLogDoesAndTheJournalsRows) {
  const std::string path = dir.Write("in/a\nb\x1b[31m\xff.txt", "x");
  std::filesystem::create_directories(
      std::filesystem::path(controller.JournalFile()).parent_path());
  test::TestJournal recorded(controller.JournalFile());
  // Recent rows: the daemon's journal removes old ones meanwhile.
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  recorded.Add(now, "Inbox", path, journal::Outcome::Exited, 3, 1200);
  recorded.Add(now, "Inbox", dir.File("in/other.txt"), journal::Outcome::Signalled, 9);
  const Strings lines = Run("why \"" + path + "\"");
  EXPECT_EQ(lines.at(1), "Point 0 '" + controller.state().points.at(0).name + "' (" +
                             dir.File("in/") + "a\\nb\\x1b[31m\\xff.txt):");
  EXPECT_NE(lines.back().find("exit 3"), std::string::npos) << lines.back();
  EXPECT_NE(lines.back().find("a\\nb\\x1b[31m\\xff.txt"), std::string::npos) << lines.back();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.find("signal") != line.npos; }),
            0);
}

// A layout that shows every placeholder.
TEST(ReportsTest, StatisticsWithALanguageFileShowEveryValueOfAPoint) {
  const TempDir dir;
  LoggingCore core;
  core.state.startTime = core.clock.Now();
  core.language.LoadLanguageFile(
      dir.Write("values.lng",
                "33=on\n34=off\n0=Y\n1=N\n53=A\n54=R\n55=C\n56=H\n57=S\n44=%1|%2|%3|%4|%5\n"
                "46=%1|%2|%3\n"
                "47=%1|%2|%3|%4|%5|%6|%7|%8|[%9]|%10|%11|%12|%13|%14|%15|%16|%17\n"));
  ObservationPoint& point = core.state.points.emplace_back();
  point.name = "Scans";
  point.directory = "/srv/in/";
  point.filePattern = "*.pdf|*.tif";
  point.command = "mv %File% /srv/done";
  point.wait = 5000;
  point.windowStyle = point.ageUnit = "min";
  point.minimumAge = 3;
  point.interval = 60;
  point.ticks = 15;
  point.executed = 12;
  point.failed = 2;
  point.terminate = point.noSubdirectories = true;
  point.exclusive = false;
  point.archive = point.readOnly = point.compressed = point.hidden = point.system = true;
  ShowStatistics(core.log, core.state, false);
  EXPECT_EQ(Joined(core.Lines()),
            "2026-01-02 03:04:05|1|off|0|Scans|/srv/in/|*.pdf|*.tif|mv %File% /srv/done|"
            "5000|Y|min|[A R C H S ]|N|3|min|60|45|12|2|N");
  core.view.Clear();
  ShowStatistics(core.log, core.state, true);
  EXPECT_EQ(core.Lines().at(2), "on");
}

// Setting names are matched exactly; a value outside the levels is ignored.
TEST_F(ConsoleCommandsTest, SetLogLevelTakesWholeLevelsAndRoundsHalvesToEven) {
  const std::tuple<std::string, int, std::string> cases[] = {
      {"set loglevel 0", 0, Info("Changed 'loglevel' to '0'.")},
      {"set loglevel 7", 0, ""},
      {"set loglevel 2.5", 2, ""},  // rounds to 2; Info is then below the level
      {"set loglevel 1", 1, Info("Changed 'loglevel' to '1'.")},
      {"set loglevel 40000", 1, NotUnderstood("set loglevel 40000")},
      {"set loglevel", 1, "Configuration not avaliable! (Check the language file!)"},
      {"set LogLevel 2", 1, "Unknown parameter: 'LogLevel'"},
      {"set colour blue", 1, "Unknown parameter: 'colour'"}};
  for (const auto& [line, level, answer] : cases) {
    EXPECT_EQ(Run(line), (answer.empty() ? Strings{"> set:"} : Strings{"> set:", answer})) << line;
    EXPECT_EQ(LevelNumber(controller.Settings().logLevel), level) << line;
  }
  EXPECT_TRUE(captions.empty());
}

// A FIFO would block the daemon: refused with the reason, and the setting
// before stays in force. A device is the end-to-end test's.
TEST_F(ConsoleCommandsTest, SetLogOrLanguageFileRefusesWhatCannotBeUsedAndLoadsAtOnce) {
  int trayTranslations = 0;
  commands.context().translateTrayMenu = [&] { ++trayTranslations; };
  const std::string log = dir.File("kept.log");
  const std::string language = dir.Write("kept.lng", "17=    INFO\n40=Neu: %1 = %2\n");
  Run("set logfile " + log);
  EXPECT_EQ(Run("set languagefile " + language),
            (Strings{"> set:", "   INFO ] Neu: languagefile = " + language}));
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  const std::string huge = dir.File("huge.lng");
  std::ofstream(huge).seekp(Language::kMaxFileBytes) << '\n';
  const std::pair<std::string, std::string> cases[] = {
      {"logfile " + dir.File("fifo"),
       "  Error ] Cannot use '" + dir.File("fifo") + "' as logfile: not a regular file."},
      {"languagefile " + huge,
       "  Error ] Cannot use '" + huge + "' as languagefile: larger than 4194304 bytes."},
      {"languagefile missing.lng", "   INFO ] Language file not found: missing.lng"}};
  for (const auto& [line, answer] : cases) {
    EXPECT_EQ(Run("set " + line), (Strings{"> set:", answer}));
  }
  EXPECT_EQ(controller.state().logFile, log);
  EXPECT_EQ(controller.Settings().languageFile, language);
  EXPECT_EQ(trayTranslations, 1);
}

// The journal follows its settings at once, and they are kept.
TEST_F(ConsoleCommandsTest, SetJournalReopensTheJournalAtOnce) {
  const std::string file = dir.File("journal/hand-overs.sqlite");
  const std::tuple<std::string, std::string, bool> cases[] = {{"journalfile", file, true},
                                                              {"journal", "off", false},
                                                              {"journaldays", "7", false},
                                                              {"journal", "on", true}};
  for (const auto& [name, value, open] : cases) {
    EXPECT_EQ(Run("set " + name + " " + value),
              (Strings{"> set:", Info("Changed '" + name + "' to '" + value + "'.")}));
    EXPECT_EQ(controller.JournalOpen(), open) << name << " " << value;
  }
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(controller.Settings().journal, (JournalSettings{file, true, 7}));
}

TEST_F(ConsoleCommandsTest, SetNameTakesOneWordAndRefreshesTheCaption) {
  EXPECT_EQ(Run("set name Night Shift"), Strings{"> set:"});
  EXPECT_EQ(captions.back(), "Night (running)");
  controller.Pause();
  Run("set name \"\"");
  EXPECT_EQ(captions.back(), "Corvane [" + controller.ObservationFile() + "] (stopped)");
}

TEST_F(ConsoleCommandsTest, SetXmlFileMovesTheLockOrHaltsTheDaemonWhenTheFileIsHeld) {
  const std::string first = controller.ObservationFile();
  const std::string second =
      ObservationFile("second.xml", "Second", {"<Command>a</Command>", "<Command>b</Command>"});
  const std::string held = ObservationFile("held.xml", "Held", {"<Command>x</Command>"});
  const auto freeToTake = [this](const std::string& file) {
    return InstanceLock(controller.log()).RegisterInstance(file);
  };
  ASSERT_FALSE(freeToTake(first));
  InstanceLock holder(controller.log());
  ASSERT_TRUE(holder.RegisterInstance(held));
  EXPECT_EQ(Run("set xmlfile " + dir.File("missing.xml")),
            (Strings{"> set:", "  Error ] Cannot use '" + dir.File("missing.xml") +
                                   "' as xmlfile: no such file."}));
  EXPECT_EQ(controller.ObservationFile(), first);

  EXPECT_EQ(Run("set xmlfile " + second),
            (Strings{"> set:", Info("Changed 'xmlfile' to '" + second + "'."),
                     Info("Loaded " + second + ",  2 observation points added.")}));
  EXPECT_EQ(captions.back(), "Second (running)");
  EXPECT_TRUE(freeToTake(first));
  EXPECT_FALSE(freeToTake(second));

  const std::string heldElsewhere = dir.File("./held.xml");  // the same file
  EXPECT_EQ(Run("set xmlfile " + heldElsewhere).back(),
            "  Error ] Could not lock '" + heldElsewhere +
                "'. The daemon was halted. (Maybe another daemon is running.)");
  EXPECT_EQ(controller.state().points.at(0).command, "x");  // loaded all the same
  EXPECT_FALSE(controller.IsRunning());
  EXPECT_EQ(captions.back(), "Held (stopped)");
  EXPECT_TRUE(freeToTake(second));
}

}  // namespace
}  // namespace corvane::test
