#include "journal/journal_reader.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/test_journal.h"

namespace corvane::journal {
namespace {

using Ids = std::vector<std::int64_t>;

Ids IdsOf(const std::vector<HandOver>& rows) {
  Ids ids;
  for (const HandOver& row : rows) ids.push_back(row.id);
  return ids;
}

// Rows 1 to 5, stored out of time order: row 5 started first.
class JournalReaderTest : public ::testing::Test {
 protected:
  JournalReaderTest() {
    journal.Add(2000, "Inbox", "/in/a.pdf", Outcome::Exited);
    journal.Add(3000, "Inbox", "/in/b.txt", Outcome::Signalled);
    journal.Add(4000, "Print", "/print/c.pdf", Outcome::Exited);
    journal.Add(5000, "Inbox", "/in/d.txt", Outcome::NotStarted);
    journal.Add(1000, "Inbox", "/in/e.pdf", Outcome::Running);
  }
  Ids Read(const Filter& filter) const {
    const auto rows = ReadHandOvers(journal.file(), filter);
    EXPECT_TRUE(rows) << rows.error().text;
    return rows ? IdsOf(*rows) : Ids{};
  }

  test::TempDir dir;
  test::TestJournal journal{dir.File("journal.sqlite")};
};

bool IsPdf(std::string_view name) { return name.ends_with(".pdf"); }

TEST_F(JournalReaderTest, ReadsTheRowsThatPassEveryConditionOldestFirst) {
  const std::pair<Filter, Ids> cases[] = {
      {{}, {5, 1, 2, 3, 4}},
      {{.point = "Inbox"}, {5, 1, 2, 4}},
      {{.path = "/in/b.txt"}, {2}},
      {{.nameMatches = IsPdf}, {5, 1, 3}},
      {{.sinceMs = 2000, .untilMs = 4000}, {1, 2}},
      {{.outcome = Outcome::Exited}, {1, 3}},
      {{.point = "Inbox", .outcome = Outcome::Exited}, {1}},
      // The latest that match, not the matching among the latest.
      {{.nameMatches = IsPdf, .latest = 2}, {1, 3}},
      {{.point = "Inbox", .latest = 1}, {4}},
  };
  for (const auto& [filter, ids] : cases) EXPECT_EQ(Read(filter), ids);
}

TEST_F(JournalReaderTest, ReadsEveryFieldAsWritten) {
  const HandOver full{.id = 6,
                      .startedMs = 6000,
                      .point = "Inbox",
                      .path = "/in/\xff name",
                      .size = 12,
                      .modifiedNs = 1'700'000'000'123'456'789,
                      .inode = 77,
                      .arguments = {"mv", "", "/in/\xff name"},
                      .pid = 4321,
                      .waited = true,
                      .outcome = Outcome::Exited,
                      .code = 3,
                      .durationMs = 250,
                      .movedTo = "/done/x"};
  journal.Add(full);
  const auto rows = ReadHandOvers(journal.file(), {.latest = 1});
  ASSERT_TRUE(rows && rows->size() == 1);
  const HandOver& read = rows->front();
  EXPECT_EQ(std::tie(read.id, read.startedMs, read.point, read.path, read.size, read.modifiedNs,
                     read.inode, read.arguments, read.pid, read.waited, read.outcome, read.code,
                     read.durationMs, read.movedTo),
            std::tie(full.id, full.startedMs, full.point, full.path, full.size, full.modifiedNs,
                     full.inode, full.arguments, full.pid, full.waited, full.outcome, full.code,
                     full.durationMs, full.movedTo));
}

// A daemon writes in WAL mode; a reader sees what it committed and is not
// held up by a transaction under way.
TEST_F(JournalReaderTest, ReadsWhileAWriteTransactionIsOpen) {
  journal.Execute("BEGIN IMMEDIATE");
  journal.Add(9000, "Inbox", "/in/f.txt", Outcome::Running);
  EXPECT_EQ(Read({}), (Ids{5, 1, 2, 3, 4}));
  journal.Execute("COMMIT");
  EXPECT_EQ(Read({.latest = 1}), Ids{6});
}

TEST(JournalReader, RefusesAFileThatIsNoJournal) {
  test::TempDir dir;
  test::TestJournal other(dir.File("other.sqlite"));
  other.Execute("DROP TABLE hand_overs; CREATE TABLE t (x)");
  const std::pair<std::string, const char*> cases[] = {
      {dir.File("missing.sqlite"), "No such file or directory"},
      {dir.Write("text", "not SQLite, not at all"), "file is not a database"},
      {other.file(), "not a journal of Corvane"},
      {dir.path(), "not a regular file"},
  };
  for (const auto& [file, text] : cases) {
    const auto rows = ReadHandOvers(file, {});
    ASSERT_FALSE(rows) << file;
    EXPECT_EQ(rows.error().text, text);
  }
}

}  // namespace
}  // namespace corvane::journal
