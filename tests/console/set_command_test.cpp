#include "console_fixture.h"
#include "core/instance_lock.h"

namespace corvane::test {
namespace {

using Lines = std::vector<std::string>;

class SetCommandTest : public ConsoleTest {
 protected:
  // Every stamped line goes to the log file, also those below the level.
  std::string LogFile() const { return ReadFile(daemon.state.sLogFile); }
};

TEST_F(SetCommandTest, WithoutAValueShowsTheConfiguration) {
  const Lines report{"Configuration not avaliable! (Check the language file!)"};
  for (const char* line : {"set", "SET ", "set loglevel", "set nonsense"}) {
    Lines expected{"> " + std::string(line).substr(0, 3) + ":"};
    expected.insert(expected.end(), report.begin(), report.end());
    EXPECT_EQ(Run(line), expected) << line;
  }
}

TEST_F(SetCommandTest, LogLevelTakesWholeLevelsAndRoundsHalvesToEven) {
  daemon.state.sLogFile = dir.File("log.txt");
  struct Case {
    const char* value;
    std::int16_t level;  // afterwards
    Lines lines;         // after the echo
  };
  const std::vector<Case> cases = {
      {"0", 0, {Info("Changed 'loglevel' to '0'.")}},
      {"7", 0, {}},
      {"-1", 0, {}},
      {"3.5", 0, {}},  // rounds to 4
      {"2.5", 2, {}},  // rounds to 2; Info is then below the level
      {"1", 1, {Info("Changed 'loglevel' to '1'.")}},
      {"40000", 1, {NotUnderstood("set loglevel 40000")}},
      {"many", 1, {NotUnderstood("set loglevel many")}},
      {"\"\"", 1, {NotUnderstood("set loglevel \"\"")}},
  };
  for (const Case& c : cases) {
    Lines expected{"> set:"};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(Run(std::string("set loglevel ") + c.value), expected) << c.value;
    EXPECT_EQ(daemon.state.iLogLevel, c.level) << c.value;
  }
  const std::string file = LogFile();
  EXPECT_NE(file.find("Changed 'loglevel' to '2'.\r\n"), std::string::npos);
  EXPECT_EQ(file.find("'4'"), std::string::npos);
  EXPECT_EQ(file.find("not understood"), std::string::npos);
}

TEST_F(SetCommandTest, SettingNamesAreMatchedInSmallLettersOnly) {
  daemon.state.sDaemonName = "Kept";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"set LogLevel 2", "LogLevel"},
      {"set LOGFILE x.log", "LOGFILE"},
      {"set XmlFile points.xml", "XmlFile"},
      {"set Name other", "Name"},
      {"set languageFile x.lng", "languageFile"},
      {"set  loglevel 2", " loglevel"},  // the second blank starts the name
      {"set colour blue", "colour"},
  };
  for (const auto& [line, name] : cases) {
    EXPECT_EQ(Run(line), (Lines{"> set:", "Unknown parameter: '" + name + "'"})) << line;
  }
  EXPECT_EQ(daemon.state.iLogLevel, LogLevel::Info);
  EXPECT_EQ(daemon.state.sDaemonName, "Kept");
  EXPECT_TRUE(daemon.state.sLogFile.empty());
  EXPECT_EQ(daemon.state.sLanguageFile, "english.lng");
  EXPECT_TRUE(control.captions.empty());
}

TEST_F(SetCommandTest, LogFileIsChangedBeforeItsMessage) {
  EXPECT_EQ(Run("set logfile \"\""), Lines{"> set:"});
  EXPECT_TRUE(daemon.state.sLogFile.empty());

  const std::string log = dir.File("new log.txt");
  EXPECT_EQ(Run("set logfile \"" + log + "\""),
            (Lines{"> set:", Info("Changed 'logfile' to '" + log + "'.")}));
  EXPECT_EQ(daemon.state.sLogFile, log);
  EXPECT_EQ(LogFile(), Info("Changed 'logfile' to '" + log + "'.") + "\r\n");
}

TEST_F(SetCommandTest, NameTakesOneWordOrAQuotedTextAndRefreshesTheCaption) {
  daemon.state.sXmlFile = "/srv/points.xml";
  EXPECT_EQ(Run("set name Night Shift"), Lines{"> set:"});
  EXPECT_EQ(daemon.state.sDaemonName, "Night");
  EXPECT_EQ(control.captions.back(), "Night (running)");
  Run("set name \"Night Shift\"");
  EXPECT_EQ(daemon.state.sDaemonName, "Night Shift");
  EXPECT_EQ(control.captions.back(), "Night Shift (running)");
  control.running = false;
  Run("set name \"\"");
  EXPECT_EQ(daemon.state.sDaemonName, "");
  EXPECT_EQ(control.captions.back(), "Corvane [/srv/points.xml] (stopped)");
}

TEST_F(SetCommandTest, XmlFileMovesTheLockAndLoadsTheNewFile) {
  const std::string first = ObservationFile("first.xml", "First", {"<Command>true</Command>"});
  const std::string second =
      ObservationFile("second.xml", "Second", {"<Command>a</Command>", "<Command>b</Command>"});
  Load(first);

  EXPECT_EQ(Run("set xmlfile " + dir.File("missing.xml")), Lines{"> set:"});
  EXPECT_EQ(daemon.state.sXmlFile, first);

  const Lines lines = Run("set xmlfile " + second);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], Info("Changed 'xmlfile' to '" + second + "'."));
  EXPECT_EQ(lines.back(), Info("Loaded " + second + ",  2 observation points added."));
  EXPECT_EQ(daemon.state.sXmlFile, second);
  EXPECT_EQ(daemon.state.Points.size(), 2u);
  EXPECT_TRUE(control.running);
  EXPECT_TRUE(control.captions.empty());  // a taken lock leaves the caption

  // The old file is free for another daemon now, the new one is not.
  InstanceLock other(daemon.log);
  EXPECT_TRUE(other.RegisterInstance(first));
  EXPECT_FALSE(other.RegisterInstance(second));
}

TEST_F(SetCommandTest, XmlFileHeldByAnotherDaemonIsLoadedButHaltsTheDaemon) {
  const std::string first = ObservationFile("first.xml", "First", {"<Command>true</Command>"});
  const std::string held = ObservationFile("held.xml", "Held", {"<Command>x</Command>"});
  Load(first);
  InstanceLock other(daemon.log);
  ASSERT_TRUE(other.RegisterInstance(held));

  const Lines lines = Run("set xmlfile " + held);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], Info("Changed 'xmlfile' to '" + held + "'."));
  EXPECT_EQ(lines.back(), Error("Could not lock '" + held +
                                "'. The daemon was halted. (Maybe another daemon is running.)"));
  EXPECT_EQ(daemon.state.sXmlFile, held);
  EXPECT_EQ(daemon.state.Points.at(0).Command, "x");
  EXPECT_FALSE(control.running);
  EXPECT_EQ(control.captions.back(), "Held (stopped)");
  EXPECT_FALSE(daemon.lock.IsHeld());
}

TEST_F(SetCommandTest, LanguageFileMustExistAndIsLoadedAtOnce) {
  int trayTranslations = 0;
  commands.context().translateTrayMenu = [&] { ++trayTranslations; };
  EXPECT_EQ(Run("set languagefile no-such-language.lng"),
            (Lines{"> set:", Info("Language file not found: no-such-language.lng")}));
  EXPECT_EQ(daemon.state.sLanguageFile, "english.lng");
  EXPECT_EQ(trayTranslations, 0);

  const std::string file = dir.Write("test.lng", "17=    INFO\n40=Neu: %1 = %2\n");
  EXPECT_EQ(Run("set languagefile " + file),
            (Lines{"> set:", Stamped("    INFO", "Neu: languagefile = " + file)}));
  EXPECT_EQ(daemon.state.sLanguageFile, file);
  EXPECT_EQ(trayTranslations, 1);
}

}  // namespace
}  // namespace corvane::test
