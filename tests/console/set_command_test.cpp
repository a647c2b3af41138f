#include "console_fixture.h"
#include "core/instance_lock.h"

namespace corvane::test {
namespace {

using SetCommandTest = ConsoleTest;

TEST_F(SetCommandTest, WithoutAValueOrWithAWrongCaseNameNothingChanges) {
  for (const char* line : {"SET ", "set loglevel", "set nonsense"}) {
    EXPECT_EQ(Run(line), (Strings{"> " + std::string(line).substr(0, 3) + ":",
                                  "Configuration not avaliable! (Check the language file!)"}))
        << line;
  }
  daemon.state.sDaemonName = "Kept";
  for (const auto& [line, name] : std::vector<std::pair<std::string, std::string>>{
           {"set LogLevel 2", "LogLevel"},
           {"set Name other", "Name"},
           {"set  loglevel 2", " loglevel"},  // the second blank starts the name
           {"set colour blue", "colour"}}) {
    EXPECT_EQ(Run(line), (Strings{"> set:", "Unknown parameter: '" + name + "'"})) << line;
  }
  EXPECT_EQ(daemon.state.iLogLevel, LogLevel::Info);
  EXPECT_EQ(daemon.state.sDaemonName, "Kept");
  EXPECT_TRUE(control.captions.empty());
}

TEST_F(SetCommandTest, LogLevelTakesWholeLevelsAndRoundsHalvesToEven) {
  daemon.state.sLogFile = dir.File("log.txt");
  struct Case {
    const char* value;
    std::int16_t level;  // afterwards
    Strings lines;       // after the echo
  };
  for (const Case& c :
       std::vector<Case>{{"0", 0, {Info("Changed 'loglevel' to '0'.")}},
                         {"7", 0, {}},
                         {"-1", 0, {}},
                         {"3.5", 0, {}},  // rounds to 4
                         {"2.5", 2, {}},  // rounds to 2; Info is then below the level
                         {"1", 1, {Info("Changed 'loglevel' to '1'.")}},
                         {"40000", 1, {NotUnderstood("set loglevel 40000")}},
                         {"many", 1, {NotUnderstood("set loglevel many")}}}) {
    Strings expected{"> set:"};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(Run(std::string("set loglevel ") + c.value), expected) << c.value;
    EXPECT_EQ(daemon.state.iLogLevel, c.level) << c.value;
  }
  // Every stamped line goes to the log file, also those below the level.
  const std::string file = ReadFile(daemon.state.sLogFile);
  EXPECT_NE(file.find("Changed 'loglevel' to '2'.\r\n"), std::string::npos);
  EXPECT_EQ(file.find("'4'"), std::string::npos);
}

TEST_F(SetCommandTest, LogFileIsChangedBeforeItsMessage) {
  const std::string log = dir.File("new log.txt");
  EXPECT_EQ(Run("set logfile \"" + log + "\""),
            (Strings{"> set:", Info("Changed 'logfile' to '" + log + "'.")}));
  EXPECT_EQ(ReadFile(log),
            "[2026-01-02 03:04:05    Info ] Changed 'logfile' to '" + log + "'.\r\n");
}

TEST_F(SetCommandTest, NameTakesOneWordOrAQuotedTextAndRefreshesTheCaption) {
  daemon.state.sXmlFile = "/srv/points.xml";
  EXPECT_EQ(Run("set name Night Shift"), Strings{"> set:"});
  EXPECT_EQ(control.captions.back(), "Night (running)");
  Run("set name \"Night Shift\"");
  EXPECT_EQ(control.captions.back(), "Night Shift (running)");
  control.running = false;
  Run("set name \"\"");
  EXPECT_EQ(daemon.state.sDaemonName, "");
  EXPECT_EQ(control.captions.back(), "Corvane [/srv/points.xml] (stopped)");
}

TEST_F(SetCommandTest, XmlFileMovesTheLockOrHaltsTheDaemonWhenTheFileIsHeld) {
  const std::string first = ObservationFile("first.xml", "First", {"<Command>true</Command>"});
  const std::string second =
      ObservationFile("second.xml", "Second", {"<Command>a</Command>", "<Command>b</Command>"});
  const std::string held = ObservationFile("held.xml", "Held", {"<Command>x</Command>"});
  Load(first);
  InstanceLock holder(daemon.log);
  ASSERT_TRUE(holder.RegisterInstance(held));
  EXPECT_EQ(Run("set xmlfile " + dir.File("missing.xml")), Strings{"> set:"});
  EXPECT_EQ(daemon.state.sXmlFile, first);

  EXPECT_EQ(Run("set xmlfile " + second),
            (Strings{"> set:", Info("Changed 'xmlfile' to '" + second + "'."),
                     Info("Loaded " + second + ",  2 observation points added.")}));
  EXPECT_EQ(daemon.state.Points.size(), 2u);
  EXPECT_TRUE(control.captions.empty());  // a taken lock leaves the caption
  InstanceLock probe(daemon.log);
  EXPECT_TRUE(probe.RegisterInstance(first));  // the old file is free now
  EXPECT_FALSE(probe.RegisterInstance(second));

  EXPECT_EQ(Run("set xmlfile " + held).back(),
            "  Error ] Could not lock '" + held +
                "'. The daemon was halted. (Maybe another daemon is running.)");
  EXPECT_EQ(daemon.state.Points.at(0).Command, "x");  // loaded all the same
  EXPECT_FALSE(control.running);
  EXPECT_EQ(control.captions.back(), "Held (stopped)");
  EXPECT_FALSE(daemon.lock.IsHeld());
}

TEST_F(SetCommandTest, LanguageFileMustExistAndIsLoadedAtOnce) {
  int trayTranslations = 0;
  commands.context().translateTrayMenu = [&] { ++trayTranslations; };
  EXPECT_EQ(Run("set languagefile no-such-language.lng"),
            (Strings{"> set:", Info("Language file not found: no-such-language.lng")}));
  EXPECT_EQ(daemon.state.sLanguageFile, "english.lng");
  EXPECT_EQ(trayTranslations, 0);
  const std::string file = dir.Write("test.lng", "17=    INFO\n40=Neu: %1 = %2\n");
  EXPECT_EQ(Run("set languagefile " + file),
            (Strings{"> set:", "   INFO ] Neu: languagefile = " + file}));
  EXPECT_EQ(trayTranslations, 1);
}

}  // namespace
}  // namespace corvane::test
