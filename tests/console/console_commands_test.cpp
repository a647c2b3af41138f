#include "console/console_commands.h"

#include "console/console_tokenizer.h"
#include "console_fixture.h"

namespace corvane::test {
namespace {

using ConsoleCommandsTest = ConsoleTest;

TEST(ConsoleTokenizer, SplitsOnBlanksOutsideQuotes) {
  // In a run of blanks every other blank separates.
  for (const auto& [line, tokens] : std::vector<std::pair<std::string, std::string>>{
           {"\"a\" b\"c\"", "a|bc"},
           {"set name \"Night Shift\"", "set|name|Night Shift"},
           {"a   b", "a| |b"},
           {" pause", " pause"},
           {"set name x ", "set|name|x|"}}) {
    EXPECT_EQ(Joined(TokenizeCommand(line)), tokens) << line;
  }
}

// The message comes also when the state does not change; the caption
// changes only with the state.
TEST_F(ConsoleCommandsTest, PauseGoAndExitInAnyLetterCase) {
  daemon.state.daemonName = "Inbox";
  const std::vector<std::tuple<std::string, std::string, bool>> cases = {
      {"PAUSE", "Pausing", false},
      {"Halt", "Pausing", false},
      {"continue", "Continuing", true},
      {"GO", "Continuing", true},
      {"End", "Exiting", false}};
  for (const auto& [word, message, running] : cases) {
    EXPECT_EQ(Run(word), (Strings{"> " + word + ":", Info(message + " on user request...")}));
    EXPECT_EQ(controller.IsRunning(), running) << word;
  }
  EXPECT_TRUE(controller.IsStopping());
  EXPECT_EQ(captions, (Strings{"Inbox (stopped)", "Inbox (running)"}));
}

// A quote is dropped before the command is looked up; a blank is not.
TEST_F(ConsoleCommandsTest, ClearTakesTheEchoWithItAndAnythingElseIsNotUnderstood) {
  for (const auto& [line, expected] : std::vector<std::pair<std::string, Strings>>{
           {"cls", {}},
           {"Clear", {}},
           {"frobnicate now", {"> frobnicate:", NotUnderstood("frobnicate now")}},
           {" pause", {">  pause:", NotUnderstood(" pause")}},
           {"\"pause", {"> pause:", Info("Pausing on user request...")}}}) {
    EXPECT_EQ(Run(line), expected) << line;
  }
  // Hostile lines come whole and escaped: they cannot command the terminal.
  for (const auto& [line, echo, shown] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {std::string(1 << 20, 'x'), "> " + std::string(1 << 20, 'x') + ":",
            std::string(1 << 20, 'x')},
           {std::string("\x01\xff\0\x7f\"", 6),
            "> \\x01\\xff\\x00\\x7f\\x00:", "\\x01\\xff\\x00\\x7f\"\\x00"},
           {"a\r\nb \x1b]0;x\a", "> a\\r\\nb:", "a\\r\\nb \\x1b]0;x\\x07"},
           {"   ", ">  :", "   "}}) {
    EXPECT_EQ(Run(line), (Strings{echo, NotUnderstood(shown)}));
  }
}

TEST_F(ConsoleCommandsTest, ReportsWithoutLanguageFileAndUpdateCheck) {
  EXPECT_EQ(Run("help me"), (Strings{"> help:", "Help not avaliable! (Check the language file!)"}));
  const std::string noStat = "Statistics are not avaliable! (Check the language file!)";
  daemon.state.Points.resize(2);  // a line for the header and each point
  EXPECT_EQ(Run("stat"), (Strings{"> stat:", noStat, noStat, noStat}));
  EXPECT_EQ(Run("chk_update"), Strings{"> chk_update:"});  // none built in
  std::vector<bool> asked;
  commands.context().checkForUpdate = [&](bool verbose) { asked.push_back(verbose); };
  Run("CHK_UPDATE");
  EXPECT_EQ(asked, std::vector<bool>{true});
}

// A layout that shows every placeholder.
TEST_F(ConsoleCommandsTest, StatisticsWithALanguageFileShowEveryValueOfAPoint) {
  daemon.language.LoadLanguageFile(
      dir.Write("values.lng",
                "33=on\n34=off\n0=Y\n1=N\n53=A\n54=R\n55=C\n56=H\n57=S\n44=%1|%2|%3|%4|%5\n"
                "46=%1|%2|%3\n"
                "47=%1|%2|%3|%4|%5|%6|%7|%8|[%9]|%10|%11|%12|%13|%14|%15|%16|%17\n"));
  ObservationPoint& point = daemon.state.Points.emplace_back();
  point.Name = "Scans";
  point.Directory = "/srv/in/";
  point.FilePattern = "*.pdf|*.tif";
  point.Command = "mv %File% /srv/done";
  point.Wait = 5000;
  point.Window = point.Period = "min";
  point.LastChange = 3;
  point.Intervall = 60;
  point.ticks = 15;
  point.executed = 12;
  point.failed = 2;
  point.Terminate = point.NoSubdirs = true;
  point.Exclusive = false;
  point.Archive = point.Readonly = point.Compressed = point.Hidden = point.System = true;
  controller.Pause();
  EXPECT_EQ(Joined(Run("stat")),
            "> stat:|2026-01-02 03:04:05|1|off|0|Scans|/srv/in/|*.pdf|*.tif|mv %File% /srv/done|"
            "5000|Y|min|[A R C H S ]|N|3|min|60|45|12|2|N");
  controller.Resume();
  EXPECT_EQ(Run("stat")[3], "on");
}

}  // namespace
}  // namespace corvane::test
