#include "console/stdin_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include "support/temp_dir.h"

namespace corvane {
namespace {

// Feeds the reader from a file, as "corvane < commands.txt" does.
class StdinReaderTest : public ::testing::Test {
 protected:
  ~StdinReaderTest() override {
    if (fd >= 0) ::close(fd);
  }
  void Open(const std::string& content) {
    fd = ::open(dir.Write("input", content).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
  }
  // Runs the event loop until the reader has handed on the whole input.
  void ReadAll(StdinReader& reader) {
    reader.Start();
    const QDeadlineTimer guard(30000);
    while (!reader.Finished() && !guard.hasExpired()) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    EXPECT_TRUE(reader.Finished());
  }

  test::TempDir dir;
  int fd = -1;
  std::vector<std::string> lines;
};

TEST_F(StdinReaderTest, HandsOnNonEmptyLinesWithoutTheirEnds) {
  const std::string binary("\x00\x01\xff", 3);
  Open("pause\r\n\n go \n" + binary + "\nlast without end");
  StdinReader reader(fd, [&](const std::string& line) { lines.push_back(line); });
  ReadAll(reader);
  EXPECT_EQ(lines, (std::vector<std::string>{"pause", " go ", binary, "last without end"}));
}

// A command may handle events while it runs (a check waiting for a
// started program); the next line must wait for it all the same.
TEST_F(StdinReaderTest, HandsOnOneLineAtATime) {
  Open("run\nstat\ncfg\n");
  int depth = 0;
  int deepest = 0;
  StdinReader reader(fd, [&](const std::string& line) {
    lines.push_back(line);
    deepest = std::max(deepest, ++depth);
    if (line == "run") {
      for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
    }
    --depth;
  });
  ReadAll(reader);
  EXPECT_EQ(lines, (std::vector<std::string>{"run", "stat", "cfg"}));
  EXPECT_EQ(deepest, 1);
}

TEST_F(StdinReaderTest, TakesLongLinesWholeAndCutsEndlessOnes) {
  const std::string megabyte(1 << 20, 'm');
  const std::string endless(StdinReader::kMaxLineBytes + 100000, 'e');
  Open(megabyte + "\n" + endless + "\nafter\n");
  StdinReader reader(fd, [&](const std::string& line) { lines.push_back(line); });
  ReadAll(reader);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], megabyte);
  EXPECT_EQ(lines[1], endless.substr(0, StdinReader::kMaxLineBytes));
  EXPECT_EQ(lines[2], "after");
}

TEST_F(StdinReaderTest, EmptyInputEndsAtOnce) {
  Open("");
  StdinReader reader(fd, [&](const std::string& line) { lines.push_back(line); });
  ReadAll(reader);
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace corvane
