// Start-up as console mode makes it, the command line, and the journal
// printed as JSON lines instead of a run.

#include "startup/daemon_app.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <filesystem>
#include <sstream>

#include "core/journal_location.h"
#include "core/settings_store.h"
#include "loopback_http_server.h"
#include "startup/journal_export.h"
#include "support/event_loop.h"
#include "support/logging_core.h"
#include "support/observation_xml.h"
#include "support/temp_dir.h"
#include "support/test_journal.h"
#include "update/update_url.h"

namespace corvane::test {
namespace {

using journal::Outcome;
using Strings = std::vector<std::string>;

QSettings Store() { return OpenSettingsStore(); }

// The daemon as console mode makes it, the view and the message boxes
// recorded; or "corvane --journal" on an observation file of its own.
class DaemonAppTest : public ::testing::Test {
 protected:
  DaemonAppTest() { Store().clear(); }

  void Start(std::vector<std::string> args) {
    app = std::make_unique<DaemonApp>(CommandLineSwitches(std::move(args)), clock);
    view.Record(app->controller());
    QObject::connect(
        &app->controller(), &DaemonController::MessageRequested,
        [this](const std::string& title, const std::string& text, MessageIcon icon) {
          boxes.push_back(title + "|" + text + "|" + std::to_string(static_cast<int>(icon)));
        });
    app->Start();
  }
  std::string ObservationFile(const std::string& command) {
    std::filesystem::create_directories(dir.File("in"));
    return dir.Write(
        "points.xml",
        ObservationXml("Files", {PointXml(dir.File("in"), 1, command + kNotExclusive)}));
  }
  // Runs "corvane --journal <observation file> <args>".
  int Export(Strings args) {
    out.str("");
    err.str("");
    args.insert(args.begin(), {"--journal", xmlFile});
    return PrintJournal(CommandLineSwitches(args), out, err);
  }
  // The objects printed, each line parsed on its own.
  std::vector<QJsonObject> Objects() {
    std::vector<QJsonObject> objects;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
      objects.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    return objects;
  }

  TempDir dir;
  FixedClock clock;
  RecordingView view;
  Strings boxes;
  std::unique_ptr<DaemonApp> app;
  const std::string xmlFile = dir.Write("exported.xml", "<x/>");
  TestJournal journal{DefaultJournalFile(xmlFile)};
  std::ostringstream out, err;
};
using JournalExportTest = DaemonAppTest;

// Start-up that cannot go on shows one box, with the Stop icon. Defaults written back over what
// could not be read would throw away what the user had there: a stored value or a whole file that
// cannot be read stops start-up, named, and stays as it was; a useless observation file shows its
// box after the banner, and the settings are saved. Exit codes and the banner's text are the
// end-to-end tests'.
TEST_F(DaemonAppTest, AStartupThatCannotGoOnShowsOneBoxAndKeepsWhatTheUserHad) {
  const std::string file = Store().fileName().toStdString();
  const std::string useless = dir.Write("useless.xml", "<Corvane><Observation/></Corvane>");
  const std::string xml = ObservationFile("<Command>true</Command>");
  // The stored level; the observation file; what the box names; the level and
  // the language stored afterwards (none where the settings file is a folder).
  const std::tuple<const char*, std::string, std::string, const char*, const char*> cases[] = {
      {"2", useless, "The XML file " + useless + " did not contain", "2", "english.lng"},
      {"loud", xml, "'Log.Level' in " + file, "loud", ""},
      {"loud", xml, file + " cannot be read", "", ""}};
  for (const auto& [level, observationFile, named, levelAfter, languageAfter] : cases) {
    boxes.clear(), view.Clear(), Store().clear();
    Store().setValue("Log.Level", level);
    if (*levelAfter == '\0' && std::filesystem::remove(file)) {
      std::filesystem::create_directory(file);  // root reads a file of mode 000 all the same
    }
    Start({"/XML", observationFile});
    EXPECT_EQ(QCoreApplication::exec(), exit_code::kFatalStartupError);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].find(named) != std::string::npos &&
                boxes[0].ends_with(
                    std::string("|").append(std::to_string(static_cast<int>(MessageIcon::Stop)))))
        << boxes[0];
    // The banner, which a start-up stopped by its settings does not reach.
    EXPECT_EQ(!view.items.empty() && view.items[0].bold, *languageAfter != '\0');
    EXPECT_EQ(
        Store().value("Log.Level").toString() + "|" + Store().value("App.Language").toString(),
        QString(levelAfter) + "|" + languageAfter);
  }
  std::filesystem::remove(file);
}

TEST_F(DaemonAppTest, APauseDuringATickHoldsAfterIt) {
  Start({"/XML", ObservationFile("<Command Wait=\"0\">sleep 0.3</Command>")});
  dir.Write("in/a.txt", "x");
  // Runs while the tick waits for the command.
  QTimer::singleShot(0, [this] { app->ProcessCommand("pause"); });
  app->controller().OnTick();  // not due yet: counts a tick
  app->controller().OnTick();  // due: runs the command and waits for it
  EXPECT_TRUE(view.Logged("found 1 files"));
  EXPECT_FALSE(app->controller().IsRunning());
}

// The check at the end of start-up offers a newer version; that it stays
// silent otherwise is the update tests'.
TEST_F(DaemonAppTest, StartupChecksForAnUpdate) {
  LoopbackHttpServer server;
  ::setenv("CORVANE_UPDATE_URL", server.Url("/").c_str(), 1);
  server.Serve(kVersionFilePath, "Current Version=99.0.0\r\nDownload=http://127.0.0.1:9/c.zip\r\n");
  Start({"/XML", ObservationFile("<Command>true</Command>"), "/NIC"});
  std::string offered;
  QObject::connect(&app->updater(), &UpdateChecker::Offered,
                   [&](const UpdateOffer& offer) { offered = offer.location; });
  EXPECT_TRUE(Eventually([&] { return offered == "http://127.0.0.1:9/c.zip"; })) << offered;
  ::unsetenv("CORVANE_UPDATE_URL");
}

// A value keeps its case and the first occurrence wins; a flag with a value,
// or a word no switch takes, is an unknown argument.
TEST(CommandLineSwitches, ValuesFlagsAndUnknownArguments) {
  const std::tuple<Strings, const char*, const char*> cases[] = {
      {{"/xMl", "/Data/P.xml"}, "/XML", "/Data/P.xml"},
      {{"--XML=a b.xml"}, "/XML", "a b.xml"},
      {{"/Name", "Hot", "Folder", "/NIC"}, "/Name", "Hot Folder"},
      {{"/Log", "one", "/LOG", "two"}, "/Log", "one"},
      {{"/XML", "/XML", "x"}, "/XML", "dflt"}};
  for (const auto& [args, name, value] : cases) {
    EXPECT_EQ(CommandLineSwitches(args).Value(name, "dflt"), value) << args[0];
  }
  const CommandLineSwitches cmd({"stray", "/RUNNOW", "extra", "--nic", "--pause=1", "/pausefoo"});
  EXPECT_EQ(std::tuple(cmd.IsSet("/runnow"), cmd.IsSet("/NIC"), cmd.IsSet("/pause")),
            std::tuple(true, true, false));
  EXPECT_EQ(cmd.UnknownArguments(), (Strings{"stray", "extra", "--pause=1", "/pausefoo"}));
}

const std::string kHostilePath = "/in/\xff\x1b[2J\"\\\n\xe2\x80\xae.pdf";

// One line of ASCII per hand-over, oldest first: a code is null where there
// is none; a path that is no UTF-8 comes as base64 too. The outcomes' names
// are the journal's. The point, the time and the outcome narrow the lines.
TEST_F(JournalExportTest, PrintsEveryHandOverAsOneJsonLineNarrowedByPointTimeAndOutcome) {
  const std::int64_t t = 1'796'652'000'000;  // 2026-12-07T14:00:00Z
  journal.Add(t, "Inbox", "/in/a", Outcome::Running);
  journal.Add(t, "Inbox", "/in/a", Outcome::Exited, 3);
  journal.Add(t + 60'000, "Print", "/p/b", Outcome::Exited, 1);
  journal.Add(t + 120'000, "Inbox", kHostilePath, Outcome::Signalled, 9);
  ASSERT_EQ(Export({}), 0) << err.str();
  EXPECT_TRUE(
      std::ranges::all_of(out.str(), [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7f); }));
  const std::vector<QJsonObject> objects = Objects();
  Strings seen;  // outcome|code|with path_base64
  for (const QJsonObject& o : objects) {
    seen.push_back(o["outcome"].toString().toStdString() + "|" +
                   std::to_string(o["code"].toInt(-1)) + "|" +
                   std::to_string(o.contains("path_base64")));
  }
  ASSERT_EQ(seen, (Strings{"running|-1|0", "exit|3|0", "exit|1|0", "signal|9|1"}));
  const QJsonObject& hostile = objects[3];
  EXPECT_EQ(hostile["path"].toString(), QString::fromUtf8(kHostilePath));
  EXPECT_EQ(QByteArray::fromBase64(hostile["path_base64"].toString().toLatin1()).toStdString(),
            kHostilePath);
  EXPECT_EQ(hostile["arguments_base64"].toArray().size(), 2);
  EXPECT_EQ(hostile["started"].toString(), "2026-12-07T14:02:00.000Z");
  const std::pair<Strings, std::vector<int>> cases[] = {
      {{"--point", "Inbox", "--outcome", "EXIT"}, {2}},
      {{"--since", "2026-12-07T14:01:00Z", "--until", "2026-12-07T15:02:00+01:00"}, {3}},
      {{"--outcome", "not", "started"}, {}}};
  for (const auto& [args, ids] : cases) {
    EXPECT_EQ(Export(args), 0) << args[0];
    std::vector<int> printed;
    for (const QJsonObject& object : Objects()) printed.push_back(object["id"].toInt());
    EXPECT_EQ(printed, ids) << args[0];
  }
}

TEST_F(JournalExportTest, RefusesABadSwitchOrAMissingJournalOnStderr) {
  // The exit code, or -1 when something was printed or nothing said on stderr.
  const auto refused = [this](const Strings& args) {
    const int code = Export(args);
    return out.str().empty() && !err.str().empty() ? code : -1;
  };
  EXPECT_EQ(refused({"--outcome", "crashed"}), exit_code::kBadJournalFilter);
  // The journal the settings name, which does not exist.
  Store().setValue("Journal.File", QString::fromStdString(dir.File("set.sqlite")));
  EXPECT_EQ(refused({}), exit_code::kJournalUnreadable);
}

}  // namespace
}  // namespace corvane::test
