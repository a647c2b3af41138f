#include "headless/stdin_reader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

#include "support/event_loop.h"
#include "support/temp_dir.h"

namespace corvane::test {
namespace {

// Feeds a reader from a file, as "corvane < commands.txt" does. A command
// may handle events while it runs; the next line must wait all the same.
std::vector<std::string> ReadAll(const std::string& content) {
  TempDir dir;
  QFile input(QString::fromStdString(dir.Write("input", content)));
  EXPECT_TRUE(input.open(QIODevice::ReadOnly));
  std::vector<std::string> lines;
  int depth = 0;
  StdinReader reader(input.handle(), [&](const std::string& line) {
    lines.push_back(line);
    EXPECT_EQ(++depth, 1) << "a line arrived while the one before was still running";
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    --depth;
  });
  reader.Start();
  EXPECT_TRUE(Eventually([&] { return reader.Finished(); }));
  return lines;
}

TEST(StdinReader, HandsOnNonEmptyLinesOneAtATimeWithoutTheirEnds) {
  const std::string endless(StdinReader::kMaxLineBytes + 100000, 'e');
  // Not EXPECT_EQ: a failure would print the long line.
  EXPECT_TRUE(ReadAll("run\r\n\n go \n" + endless + "\nlast") ==
              (std::vector<std::string>{"run", " go ",
                                        endless.substr(0, StdinReader::kMaxLineBytes), "last"}));
  EXPECT_EQ(ReadAll(""), std::vector<std::string>{});
}

}  // namespace
}  // namespace corvane::test
