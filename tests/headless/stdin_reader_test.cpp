#include "headless/stdin_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>

#include "support/event_loop.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

// Feeds a reader from a file, as "corvane < commands.txt" does. A command
// may handle events while it runs; the next line must wait all the same.
std::vector<std::string> ReadAll(const std::string& content) {
  TempDir dir;
  const int fd = ::open(dir.Write("input", content).c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0);
  std::vector<std::string> lines;
  int depth = 0;
  {
    StdinReader reader(fd, [&](const std::string& line) {
      lines.push_back(line);
      EXPECT_EQ(++depth, 1) << "a line arrived while the one before was still running";
      for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
      --depth;
    });
    reader.Start();
    EXPECT_TRUE(Eventually([&] { return reader.Finished(); }));
  }
  ::close(fd);
  return lines;
}

TEST(StdinReader, HandsOnNonEmptyLinesOneAtATimeWithoutTheirEnds) {
  const std::string endless(StdinReader::kMaxLineBytes + 100000, 'e');
  const std::vector<std::string> expected = {"run", " go ",
                                             endless.substr(0, StdinReader::kMaxLineBytes), "last"};
  // Not EXPECT_EQ: a failure would print the long line.
  EXPECT_TRUE(ReadAll("run\r\n\n go \n" + endless + "\nlast") == expected);
  EXPECT_EQ(ReadAll(""), std::vector<std::string>{});
}

}  // namespace
}  // namespace corvane::test
