#include "startup/journal_export.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <sstream>

#include "core/journal_location.h"
#include "core/settings_store.h"
#include "startup/command_line.h"
#include "support/temp_dir.h"
#include "support/test_journal.h"

namespace corvane::test {
namespace {

using journal::Outcome;
using Strings = std::vector<std::string>;

const std::string kHostilePath = "/in/\xff\x1b[2J\"\\\n\xe2\x80\xae.pdf";

class JournalExportTest : public ::testing::Test {
 protected:
  JournalExportTest() {
    OpenSettingsStore().clear();
    std::filesystem::create_directories(std::filesystem::path(journalFile).parent_path());
    journal.emplace(journalFile);
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
    for (std::string line; std::getline(lines, line);) {
      QJsonParseError error{};
      objects.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object());
      EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    }
    return objects;
  }
  std::vector<int> Ids() {
    std::vector<int> ids;
    for (const QJsonObject& object : Objects()) ids.push_back(object["id"].toInt());
    return ids;
  }

  TempDir dir;
  const std::string xmlFile = dir.Write("points.xml", "<x/>");
  const std::string journalFile = DefaultJournalFile(xmlFile);
  std::optional<TestJournal> journal;
  std::ostringstream out, err;
};

TEST_F(JournalExportTest, PrintsEveryHandOverAsOneJsonLineOfAscii) {
  const std::tuple<Outcome, std::optional<int>, const char*> outcomes[] = {
      {Outcome::Running, {}, "running"},          {Outcome::Exited, 3, "exit"},
      {Outcome::Signalled, 9, "signal"},          {Outcome::Terminated, {}, "terminated"},
      {Outcome::LeftRunning, {}, "left running"}, {Outcome::NotStarted, {}, "not started"}};
  for (const auto& [outcome, code, word] : outcomes)
    journal->Add(1000, "Inbox", "/in/a", outcome, code);
  journal->Add(2000, "Inbox", kHostilePath, Outcome::Exited, 0);
  ASSERT_EQ(Export({}), 0) << err.str();
  const std::string printed = out.str();
  EXPECT_TRUE(std::all_of(printed.begin(), printed.end(),
                          [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7f); }));
  const std::vector<QJsonObject> objects = Objects();
  ASSERT_EQ(objects.size(), 7u);
  for (std::size_t i = 0; i < 6; ++i) {
    const auto& [outcome, code, word] = outcomes[i];
    EXPECT_EQ(objects[i]["outcome"].toString().toStdString(), word);
    EXPECT_EQ(objects[i]["code"].toInt(-1), code.value_or(-1));
    EXPECT_FALSE(objects[i].contains("path_base64"));
  }
  const QJsonObject& hostile = objects[6];
  EXPECT_EQ(hostile["path"].toString(), QString::fromUtf8(kHostilePath));
  EXPECT_EQ(QByteArray::fromBase64(hostile["path_base64"].toString().toLatin1()).toStdString(),
            kHostilePath);
  EXPECT_EQ(hostile["arguments_base64"].toArray().size(), 2);
  EXPECT_EQ(hostile["started"].toString(), "1970-01-01T00:00:02.000Z");
}

TEST_F(JournalExportTest, NarrowsByPointTimeAndOutcome) {
  const std::int64_t t = 1'796'652'000'000;  // 2026-12-07T14:00:00Z
  journal->Add(t, "Inbox", "/in/a", Outcome::Exited, 0);
  journal->Add(t + 60'000, "Print", "/p/b", Outcome::Exited, 1);
  journal->Add(t + 120'000, "Inbox", "/in/c", Outcome::Signalled, 9);
  const std::pair<Strings, std::vector<int>> cases[] = {
      {{"--point", "Inbox"}, {1, 3}},
      {{"--outcome", "EXIT"}, {1, 2}},
      {{"--since", "2026-12-07T14:01:00Z"}, {2, 3}},
      {{"--until", "2026-12-07T15:02:00+01:00"}, {1, 2}},
      {{"--outcome", "not", "started"}, {}},
  };
  for (const auto& [args, ids] : cases) {
    EXPECT_EQ(Export(args), 0) << args[0];
    EXPECT_EQ(Ids(), ids) << args[0];
  }
}

TEST_F(JournalExportTest, RefusesABadSwitchOrAMissingJournalOnStderr) {
  const auto refused = [this](const Strings& args) {
    const int code = Export(args);
    EXPECT_TRUE(out.str().empty());
    EXPECT_FALSE(err.str().empty());
    return code;
  };
  EXPECT_EQ(refused({"--outcome", "crashed"}), exit_code::kBadJournalFilter);
  EXPECT_EQ(refused({"--since", "yesterday"}), exit_code::kBadJournalFilter);
  // The journal the settings name, which does not exist.
  OpenSettingsStore().setValue("Journal.File", QString::fromStdString(dir.File("set.sqlite")));
  EXPECT_EQ(refused({}), exit_code::kJournalUnreadable);
  EXPECT_NE(err.str().find(dir.File("set.sqlite")), std::string::npos) << err.str();
}

}  // namespace
}  // namespace corvane::test
